#pragma once
// What the cameras need of the main window and the settings dialog.
#include <QString>

class CameraHost {
public:
    virtual ~CameraHost() = default;
    // The settings dialog is shown: setters read the edit copy.
    virtual bool settingsDialogVisible() const { return false; }
    // One operation-log line.
    virtual void insertRecord(const QString& text) { (void)text; }
    // The camera's view should repaint (trigger mode changed).
    virtual void cameraRepaint(int camera) { (void)camera; }
};
