// Alarm boxes driving the simulated IO board: what the machine would see.
#include "TestSupport.h"

#include "AlarmDoubles.h"

#include "SimIOBoard.h"
#include "app/ControlPort.h"
#include "app/IOLink.h"
#include "app/gui/AlarmHost.h"
#include "app/gui/ContinuousNgWarnBox.h"
#include "params/WizardPara.h"
#include "widgets/ColorButton.h"

#include <memory>

namespace {
QString lastOut(const SimBoard& sim)
{
    const QStringList outs = sim.linesStarting(QStringLiteral("OUT "));
    return outs.isEmpty() ? QString() : outs.last().section(QLatin1Char(' '), 2);
}
}  // namespace

class TestAlarmBoard : public QObject {
    Q_OBJECT
private slots:
    void continuousNgClosing_data()
    {
        QTest::addColumn<bool>("alarm");
        QTest::addColumn<int>("clampOption");
        QTest::addColumn<QString>("word");
        QTest::addColumn<int>("counter");
        QTest::newRow("outside alarm, clamp cut on mould alarm") << false << 1 << "0x0000" << 0;
        QTest::newRow("outside alarm, no clamp option") << false << 0 << "0x0001" << 0;
        QTest::newRow("inside alarm") << true << 1 << "0x0005" << 5;
    }
    void continuousNgClosing()
    {
        QFETCH(bool, alarm);
        QFETCH(int, clampOption);
        SimBoard sim;
        QVERIFY(sim.waitForPath());
        WizardPara para;
        para.outputInvert[2] = 0;  // words as logical levels
        para.cutClampOnMouldAlarm = clampOption;
        gpWPara = &para;
        HostDouble host;
        host.alarm = alarm;
        AlarmHost::setInstance(&host);
        IOLinkOptions options;
        options.device = sim.path();
        ControlPort port(IOPortSettings(), options);
        gpControlIO = &port;

        port.IOSetOut(0, 1);
        port.IOSetOut(2, 1);
        port.IOFlashOut();
        QTRY_COMPARE_WITH_TIMEOUT(lastOut(sim), QStringLiteral("0x0005"), 5000);

        ContinuousNgWarnBox box;
        box.show();
        box.confirmButton()->click();
        QFETCH(QString, word);
        QTRY_COMPARE_WITH_TIMEOUT(lastOut(sim), word, 5000);
        QTest::qWait(100);  // and it stays so
        QCOMPARE(lastOut(sim), word);
        QTEST(host.continuousNg, "counter");

        gpControlIO = nullptr;
        AlarmHost::setInstance(nullptr);
        gpWPara = nullptr;
    }
};

MOJU_TEST_MAIN(TestAlarmBoard)
#include "test_alarm_board.moc"
