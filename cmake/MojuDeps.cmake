find_package(Qt6 6.2 REQUIRED COMPONENTS Core Gui Widgets Sql Network SerialPort Multimedia Test)
# No imgcodecs: it maps some 38 MB of libraries (GDAL and more) the monitor
# never uses; pictures are read and written with Qt, libjpeg and zlib.
find_package(OpenCV 4 REQUIRED COMPONENTS core imgproc features2d calib3d)
find_package(Threads REQUIRED)
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET
  libavformat libavcodec libavdevice libavfilter libavutil libswscale)
pkg_check_modules(GLOG REQUIRED IMPORTED_TARGET libglog)
pkg_check_modules(CJSON REQUIRED IMPORTED_TARGET libcjson)
pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)
pkg_check_modules(ZSTD REQUIRED IMPORTED_TARGET libzstd)
find_program(SQLITE3_EXECUTABLE sqlite3 REQUIRED)
