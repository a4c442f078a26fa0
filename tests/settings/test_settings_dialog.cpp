// The settings dialog over a main-window double: pages and access, loading,
// Confirm with its checks, log line, save and what it applies.
#include "SettingsRig.h"

#include "widgets/CheckBox.h"
#include "widgets/ColorButton.h"
#include "widgets/ComboBox.h"
#include "widgets/EditBox.h"
#include "foundation/VisionGlobals.h"

class TestSettingsDialog : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadLanguageTable(); }
    void init() { gLan = 0; }

    // Every page of every display, looked at by a person: MOJU_SHOTS_DIR names the folder.
    void grabPages_data()
    {
        QTest::addColumn<int>("lan");
        QTest::addColumn<int>("type");
        QTest::newRow("zh_CN") << 0 << 0;
        QTest::newRow("en") << 1 << 0;
        QTest::newRow("zh_TW") << 2 << 0;
        QTest::newRow("en-multi") << 1 << 4;
    }
    void grabPages()
    {
        const QString out = qEnvironmentVariable("MOJU_SHOTS_DIR");
        if (out.isEmpty())
            QSKIP("MOJU_SHOTS_DIR not set");
        QFETCH(int, lan);
        QFETCH(int, type);
        gLan = lan;
        SettingsRig rig([type, lan] {
            SetStoredValue(QStringLiteral("system2"), 13, lan);
            SetStoredValue(QStringLiteral("system7"), 10, 1);  // factory controls
            SetStoredValue(QStringLiteral("numFailDetect"), 1, type);
            SetStoredValue(QStringLiteral("system8"), 1, 8);
        });
        rig.host.level = 2;
        rig.open();
        QDir().mkpath(out);
        auto shot = [&](const QString& name) {
            QVERIFY(rig.dlg->grab().save(QStringLiteral("%1/settings-%2x%3-%4-%5.png")
                                              .arg(out).arg(gShowW).arg(gShowH)
                                              .arg(QString::fromLatin1(QTest::currentDataTag()), name)));
        };
        const char* names[6] = {"0-system", "1-camera", "2-network", "3-io", "4-advanced", "5-record"};
        void (WizardParaWidget::*go[6])() = {&WizardParaWidget::SlotToCommon, &WizardParaWidget::SlotToCamera,
                                             &WizardParaWidget::SlotToNetwork, &WizardParaWidget::SlotToIO,
                                             &WizardParaWidget::SlotToAdvance, &WizardParaWidget::SlotToRecord};
        for (int p = 0; p < 6; ++p) {
            (rig.dlg.get()->*go[p])();
            shot(QLatin1String(names[p]));
        }
        rig.dlg->SlotToCamera();
        rig.dlg->SlotChangeShowMode();
        shot(QStringLiteral("1-camera-simple"));
        rig.dlg->SlotChangeShowMode();
        rig.dlg->factoryBox->setValue(0);
        rig.dlg->SlotToIO();
        shot(QStringLiteral("3-io-plain"));
        rig.dlg->SlotToCamera();
        shot(QStringLiteral("1-camera-plain"));
    }
};

MOJU_TEST_MAIN(TestSettingsDialog)
#include "test_settings_dialog.moc"
