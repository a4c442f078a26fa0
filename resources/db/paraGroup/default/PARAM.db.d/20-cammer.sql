-- ROI set of each camera (0-based camera index); rows come with the first load.
CREATE TABLE cammer0(name TEXT, value TEXT);
CREATE TABLE cammer1(name TEXT, value TEXT);
CREATE TABLE cammer2(name TEXT, value TEXT);
CREATE TABLE cammer3(name TEXT, value TEXT);
CREATE TABLE cammer4(name TEXT, value TEXT);
CREATE TABLE cammer5(name TEXT, value TEXT);
CREATE TABLE cammer6(name TEXT, value TEXT);
CREATE TABLE cammer7(name TEXT, value TEXT);
