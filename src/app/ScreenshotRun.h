#pragma once

#include <QCoro/QCoroTask>
#include <QString>

class AppServices;

// Runs one batch on the "Sample surveys" device, then saves a PNG of every
// screen and of the settings window into outputFolder. Returns the process
// exit code; a failure is printed on standard error.
QCoro::Task<int> captureScreenshots(AppServices& services, QString outputFolder);
