#include "WizardParaWidget.h"
void WizardParaWidget::SlotUpdateApp() {}
void WizardParaWidget::SlotExportData() {}
void WizardParaWidget::SlotRestoreFactorySet() {}
QString WizardParaWidget::AskForUsbDisk() { return {}; }
