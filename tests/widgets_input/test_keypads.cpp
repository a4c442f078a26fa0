#include "InputFixture.h"

#include "widgets/EditBox.h"
#include "widgets/EditParam.h"
#include "widgets/PasswordGate.h"
#include "widgets/SkinPixmaps.h"

#include <QDialog>
#include <QDir>
#include <QSignalSpy>

class TestKeypads : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { LoadKeyCaptions(); }
    void cleanup() { PasswordGate::setPrompt(nullptr); }

    void typingIntoValueBoxReplacesThenAppends()
    {
        Pads pads;
        QWidget host;
        EditBox box(0, 9999, &host, QStringLiteral("Delay"), QString());
        box.move(20, 20);
        box.setValue(12);
        QVERIFY(ShowActive(host));
        QSignalSpy changed(&box, &EditBox::valueChanged);

        Tap(box.edit());
        QCOMPARE(CurEdit(), box.edit());
        QVERIFY(gpNumPad->isVisible());
        QVERIFY(!gpNumCharPad->isVisible());
        QCOMPARE(box.edit()->text(), QString());  // opening empties the field
        QVERIFY(gpNumPad->firstKey());

        TypeDigits(QStringLiteral("4"));
        QCOMPARE(box.value(), 4);
        TypeDigits(QStringLiteral("5"));
        QCOMPARE(box.value(), 45);
        QCOMPARE(box.edit()->text(), QStringLiteral("45"));
        QCOMPARE(changed.count(), 2);
        QCOMPARE(changed.last().first().toInt(), 45);
        QCOMPARE(box.edit()->cursorPosition(), 2);

        // Digits past the maximum are clamped at once.
        TypeDigits(QStringLiteral("999"));
        QCOMPARE(box.value(), 9999);
    }

    void digitsIntoValueBox_data()
    {
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<bool>("use0");
        QTest::addColumn<QString>("digits");
        QTest::addColumn<int>("expected");

        QTest::newRow("replace then append") << 0 << 9999 << false << "45" << 45;
        QTest::newRow("first digit lifted to min") << 30 << 9999 << false << "4" << 30;
        QTest::newRow("lifted value grows") << 30 << 9999 << false << "45" << 305;
        QTest::newRow("use0 keeps a typed 0") << 30 << 9999 << true << "0" << 0;
        QTest::newRow("use0 then digit") << 30 << 9999 << true << "05" << 30;
        QTest::newRow("past int range") << 0 << 2000000000 << false << "99999999999" << 2000000000;
        QTest::newRow("negative range adds the digit") << -100 << -10 << false << "45" << -95;
    }

    void digitsIntoValueBox()
    {
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(bool, use0);
        QFETCH(QString, digits);
        QFETCH(int, expected);
        Pads pads;
        QWidget host;
        EditBox box(min, max, &host, QStringLiteral("Delay"), QString());
        box.setUse0(use0);
        box.setValue(min);
        QVERIFY(ShowActive(host));
        Tap(box.edit());
        TypeDigits(digits);
        QCOMPARE(box.value(), expected);
        QCOMPARE(box.edit()->text(), QString::number(expected));
    }

    void backspaceTouchesTextNotStoredValue()
    {
        Pads pads;
        QWidget host;
        EditBox box(0, 9999, &host, QStringLiteral("Delay"), QString());
        box.setValue(7);
        QVERIFY(ShowActive(host));
        Tap(box.edit());
        TypeDigits(QStringLiteral("12"));
        Tap(gpNumPad->bsKey());
        QCOMPARE(box.edit()->text(), QStringLiteral("1"));
        QCOMPARE(box.value(), 12);
        TypeDigits(QStringLiteral("3"));
        QCOMPARE(box.value(), 123);

        // Erasing to empty re-arms the first-key rule.
        Tap(gpNumPad->bsKey());
        Tap(gpNumPad->bsKey());
        Tap(gpNumPad->bsKey());
        QCOMPARE(box.edit()->text(), QString());
        QVERIFY(gpNumPad->firstKey());
        TypeDigits(QStringLiteral("8"));
        QCOMPARE(box.value(), 8);
    }

    void confirmWithoutTypingReshowsStoredValue()
    {
        Pads pads;
        QWidget host;
        EditBox box(0, 100, &host, QStringLiteral("Delay"), QString());
        box.setValue(12);
        QVERIFY(ShowActive(host));
        Tap(box.edit());
        QCOMPARE(box.edit()->text(), QString());
        Tap(gpNumPad->confirmKey());
        QVERIFY(!gpNumPad->isVisible());
        QVERIFY(!box.edit()->hasFocus());
        QCOMPARE(CurEdit(), nullptr);
        QCOMPARE(box.edit()->text(), QStringLiteral("12"));
    }

    void plainFieldFirstKeyAndBackspace()
    {
        Pads pads;
        QWidget host;
        Edit edit(5, &host, 1);
        edit.setGeometry(10, 10, 200, 40);
        edit.setText(QStringLiteral("99"));
        QVERIFY(ShowActive(host));
        Tap(&edit);
        QCOMPARE(edit.text(), QString());
        TypeDigits(QStringLiteral("120"));
        QCOMPARE(edit.text(), QStringLiteral("120"));
        Tap(gpNumPad->bsKey());
        Tap(gpNumPad->bsKey());
        QCOMPARE(edit.text(), QStringLiteral("1"));
        QVERIFY(!gpNumPad->firstKey());
        Tap(gpNumPad->bsKey());
        QVERIFY(gpNumPad->firstKey());
        TypeDigits(QStringLiteral("7"));
        QCOMPARE(edit.text(), QStringLiteral("7"));
    }

    void characterPadAppendsAndReopensOnCapitals()
    {
        Pads pads;
        QWidget host;
        Edit edit(6, &host, 1);
        edit.setGeometry(10, 10, 300, 40);
        edit.setText(QStringLiteral("ab"));
        QVERIFY(ShowActive(host));
        Tap(&edit);
        QVERIFY(gpNumCharPad->isVisible());
        QVERIFY(!gpNumPad->isVisible());
        QCOMPARE(edit.text(), QStringLiteral("ab"));  // no erase on the character pad
        QCOMPARE(gpNumCharPad->page(), NumCharInput::Capitals);
        QCOMPARE(gpNumCharPad->capKey()->text(), QStringLiteral("Lower"));
        QCOMPARE(gpNumCharPad->toggleKey()->text(), QStringLiteral("symbol"));

        Tap(gpNumCharPad->key(11));  // Q
        Tap(gpNumCharPad->key(10));  // _
        QCOMPARE(edit.text(), QStringLiteral("abQ_"));

        Tap(gpNumCharPad->capKey());
        QCOMPARE(gpNumCharPad->capKey()->text(), QStringLiteral("Capital"));
        Tap(gpNumCharPad->key(36));  // m
        QCOMPARE(edit.text(), QStringLiteral("abQ_m"));

        Tap(gpNumCharPad->toggleKey());
        QCOMPARE(gpNumCharPad->page(), NumCharInput::Symbols);
        QCOMPARE(gpNumCharPad->toggleKey()->text(), QStringLiteral("character"));
        QCOMPARE(gpNumCharPad->capKey()->text(), QStringLiteral("Lower"));
        Tap(gpNumCharPad->key(36));  // last key of row 3: double quote
        Tap(gpNumCharPad->key(15));  // backslash
        QCOMPARE(edit.text(), QStringLiteral("abQ_m\"\\"));
        Tap(gpNumCharPad->bsKey());
        QCOMPARE(edit.text(), QStringLiteral("abQ_m\""));

        // Confirm hides the pad and leaves the focus where it is.
        Tap(gpNumCharPad->confirmKey());
        QVERIFY(!gpNumCharPad->isVisible());
        QVERIFY(edit.hasFocus());
        Tap(&edit);
        QCOMPARE(gpNumCharPad->page(), NumCharInput::Capitals);
        QCOMPARE(gpNumCharPad->toggleKey()->text(), QStringLiteral("symbol"));
        QCOMPARE(gpNumCharPad->key(11)->text(), QStringLiteral("Q"));
    }

    void padPlacement_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QRect>("edit");       // in its parent
        QTest::addColumn<QPoint>("parentPos"); // parent inside the grandparent
        QTest::addColumn<QString>("rule");

        QTest::newRow("below in parent") << 5 << QRect(40, 30, 120, 40) << QPoint(0, 0) << "below";
        QTest::newRow("near bottom goes above") << 5 << QRect(40, -1, 120, 40) << QPoint(0, 0) << "above";
        QTest::newRow("pushed back from right") << 5 << QRect(-1, 30, 120, 40) << QPoint(0, 0) << "right";
        QTest::newRow("grandparent host") << 9 << QRect(15, 20, 100, 40) << QPoint(60, 50) << "grand";
        QTest::newRow("great-grandparent host") << 16 << QRect(15, 20, 100, 40) << QPoint(30, 25) << "great";
    }

    void padPlacement()
    {
        QFETCH(int, mode);
        QFETCH(QRect, edit);
        QFETCH(QPoint, parentPos);
        QFETCH(QString, rule);

        Pads pads;
        QWidget host;
        auto* mid = new QWidget(&host);
        mid->setGeometry(QRect(parentPos, QSize(gShowW / 2, gShowH / 2)));
        auto* inner = new QWidget(mid);
        inner->setGeometry(QRect(parentPos, QSize(gShowW / 3, gShowH / 3)));
        QWidget* parent = mode == 16 ? inner : (mode == 9 ? mid : &host);
        if (edit.y() < 0)  // near the bottom of the screen
            edit.moveTop(gShowH - 60);
        if (edit.x() < 0)  // near the right edge
            edit.moveLeft(gShowW - 130);
        auto* e = new Edit(mode, parent, 1);
        e->setGeometry(edit);
        QVERIFY(ShowActive(host));
        Tap(e);
        QVERIFY(gpNumPad->isVisible());
        const QSize pad = gpNumPad->size();
        QPoint expected;
        if (rule == QLatin1String("below")) {
            QCOMPARE(gpNumPad->parentWidget(), &host);
            expected = QPoint(edit.x(), edit.bottom() + 1 + 5);
        } else if (rule == QLatin1String("above")) {
            expected = QPoint(edit.x(), edit.bottom() + 1 + 5 - pad.height() - 45);
            QVERIFY(expected.y() < edit.y());
        } else if (rule == QLatin1String("right")) {
            expected = QPoint(gShowW - pad.width(), edit.bottom() + 1 + 5);
        } else if (rule == QLatin1String("grand")) {
            QCOMPARE(gpNumPad->parentWidget(), &host);
            expected = QPoint(edit.x() + parentPos.x(), edit.bottom() + 1 + 5 + parentPos.y());
        } else {
            QCOMPARE(gpNumPad->parentWidget(), &host);
            expected = QPoint(edit.x() + 2 * parentPos.x(), edit.bottom() + 1 + 5 + 2 * parentPos.y());
        }
        QCOMPARE(gpNumPad->pos(), expected);
        QVERIFY(host.rect().contains(gpNumPad->geometry()));
    }

    void padStaysInsideSmallHost()
    {
        Pads pads;
        QWidget host;
        auto* dialog = new QWidget(&host);
        dialog->setGeometry(100, 100, 300, 150);  // smaller than the pad
        auto* e = new Edit(5, dialog, 1);
        e->setGeometry(250, 100, 40, 30);
        QVERIFY(ShowActive(host));
        Tap(e);
        QCOMPARE(gpNumPad->parentWidget(), dialog);
        QCOMPARE(gpNumPad->pos(), QPoint(0, 0));
    }

    void padOpensAboveAnEditLowInADialog()
    {
        // An edit near the bottom of a dialog keeps its pad clear of the text being typed.
        Pads pads;
        QWidget host;
        auto* dialog = new QWidget(&host);
        dialog->setGeometry(100, 60, 550, 400);
        auto* e = new Edit(5, dialog, 1);
        e->setGeometry(20, 340, 300, 45);
        QVERIFY(ShowActive(host));
        Tap(e);
        QCOMPARE(gpNumPad->parentWidget(), dialog);
        QCOMPARE(gpNumPad->pos(), QPoint(20, 340 - 5 - gpNumPad->height()));
        QVERIFY(!gpNumPad->geometry().intersects(e->geometry()));
    }

    void destroyedEditClearsCurrentEdit()
    {
        Pads pads;
        QWidget host;
        auto* e = new Edit(5, &host, 1);
        e->setGeometry(10, 10, 100, 40);
        QVERIFY(ShowActive(host));
        Tap(e);
        QCOMPARE(CurEdit(), e);
        QVERIFY(gpNumPad->isVisible());
        delete e;
        QCOMPARE(CurEdit(), nullptr);
        QVERIFY(!gpNumPad->isVisible());
        // Late key presses find no edit and do nothing.
        gpNumPad->setContent(3);
        gpNumPad->eraseContent();
        gpNumPad->eraseAll();
        gpNumPad->HideUpdate();
        gpNumCharPad->setContent(12);
        gpNumCharPad->eraseContent();
        QCOMPARE(CurEdit(), nullptr);
    }

    void keyWithNoCurrentEditIsIgnored()
    {
        Pads pads;
        QWidget host;
        Edit other(5, &host, 1);
        other.setText(QStringLiteral("5"));
        MainWindowHooks::instance().setCurEdit(nullptr);
        gpNumPad->setContent(0);
        gpNumCharPad->setContent(0);
        gpNumCharPad->eraseContent();
        QCOMPARE(other.text(), QStringLiteral("5"));
    }

    void padOutlivesItsHost()
    {
        Pads pads;
        auto* host = new QWidget;
        auto* e = new Edit(5, host, 1);
        e->setGeometry(10, 10, 100, 40);
        QVERIFY(ShowActive(*host));
        Tap(e);
        QCOMPARE(gpNumPad->parentWidget(), host);
        delete host;
        // The shared pad outlives the host it was shown in.
        QVERIFY(gpNumPad);
        QCOMPARE(gpNumPad->parentWidget(), nullptr);
        QVERIFY(!gpNumPad->isVisible());
        QWidget other;
        Edit e2(5, &other, 1);
        e2.setGeometry(10, 10, 100, 40);
        QVERIFY(ShowActive(other));
        Tap(&e2);
        QCOMPARE(CurEdit(), &e2);
        QCOMPARE(gpNumPad->parentWidget(), &other);
        QVERIFY(gpNumPad->isVisible());
    }

    void confirmSubmitsPasswordWhilePromptShown()
    {
        Pads pads;
        QDialog prompt;
        Edit field(5, &prompt, 1);
        field.setEchoMode(QLineEdit::Password);
        field.setGeometry(140, 40, 160, 40);
        PasswordGate::setPrompt(&prompt);
        QSignalSpy submitted(gpNumPad, &NumberInput::chkpassword);
        QVERIFY(ShowActive(prompt));

        field.setText(QStringLiteral("old"));
        Tap(&field);
        QCOMPARE(field.text(), QString());
        QCOMPARE(field.placeholderText(), QStringLiteral("Password:"));
        QCOMPARE(CurEdit(), &field);
        QVERIFY(gpNumPad->isVisible());
        TypeDigits(QStringLiteral("7254"));
        QCOMPARE(field.text(), QStringLiteral("7254"));
        Tap(gpNumPad->confirmKey());
        QCOMPARE(submitted.count(), 1);
        QVERIFY(!gpNumPad->isVisible());
        QCOMPARE(CurEdit(), &field);  // the entry stays for the prompt to check

        // Without the prompt on screen, Confirm closes the edit instead.
        prompt.hide();
        gpNumPad->HideUpdate();
        QCOMPARE(submitted.count(), 1);
        QCOMPARE(CurEdit(), nullptr);
    }

    void returnKeyClosesThenReopensPad()
    {
        Pads pads;
        QWidget host;
        Edit edit(6, &host, 1);
        edit.setGeometry(10, 10, 200, 40);
        QVERIFY(ShowActive(host));
        QSignalSpy dot(&edit, &Edit::sig_Dot);
        Tap(&edit);
        QVERIFY(gpNumCharPad->isVisible());
        QTest::keyClick(&edit, Qt::Key_Return);
        QVERIFY(!gpNumCharPad->isVisible());
        QTest::keyClick(&edit, Qt::Key_Return);
        QVERIFY(gpNumCharPad->isVisible());
        QTest::keyClick(&edit, Qt::Key_Period);
        QCOMPARE(dot.count(), 1);
    }

    void padGeometry_data()
    {
        QTest::addColumn<bool>("charPad");
        QTest::newRow("numeric") << false;
        QTest::newRow("alphanumeric") << true;
    }

    void padGeometry()
    {
        QFETCH(bool, charPad);
        Pads pads;
        QWidget* pad = charPad ? static_cast<QWidget*>(gpNumCharPad) : static_cast<QWidget*>(gpNumPad);
        const bool small = gShowW <= 1024;
        QSize size;
        if (charPad)
            size = small ? QSize(450, 165) : QSize(785, 295);
        else
            size = small ? QSize(345, 155) : QSize(427, 230);
        QCOMPARE(pad->size(), size);
        QVERIFY(pad->windowFlags() & Qt::CustomizeWindowHint);
        QCOMPARE(pad->focusPolicy(), Qt::NoFocus);
        QVERIFY(pad->isHidden());

        const QList<QPushButton*> keys = pad->findChildren<QPushButton*>();
        QCOMPARE(keys.size(), charPad ? 41 : 12);
        for (int i = 0; i < keys.size(); ++i) {
            QVERIFY2(pad->rect().contains(keys[i]->geometry()), qPrintable(keys[i]->text()));
            QCOMPARE(keys[i]->focusPolicy(), Qt::NoFocus);
            for (int j = i + 1; j < keys.size(); ++j)
                QVERIFY2(!keys[i]->geometry().intersects(keys[j]->geometry()),
                         qPrintable(keys[i]->text() + QLatin1Char('/') + keys[j]->text()));
        }
        if (charPad) {
            const int m = small ? 6 : 10, k = small ? 37 : 65, p = small ? 40 : 70;
            QCOMPARE(gpNumCharPad->key(0)->geometry(), QRect(m, m, k, k));
            QCOMPARE(gpNumCharPad->key(11)->pos(), QPoint(m + k / 2, m + p));
            QCOMPARE(gpNumCharPad->key(21)->pos(), QPoint(m + (k / 5) * 4, m + 2 * p));
            QCOMPARE(gpNumCharPad->key(30)->pos(), QPoint(m + (k / 2) * 3, m + 3 * p));
        } else {
            const QSize key = small ? QSize(80, 45) : QSize(100, 70);
            const int gap = small ? 6 : 5;
            QCOMPARE(gpNumPad->digitKey(1)->geometry(), QRect(QPoint(5, 5), key));
            QCOMPARE(gpNumPad->digitKey(0)->pos(), QPoint(5 + key.width() + gap, 5 + 2 * (key.height() + gap)));
            QCOMPARE(gpNumPad->confirmKey()->pos(), QPoint(5 + 3 * (key.width() + gap), 5 + 2 * (key.height() + gap)));
        }

        // Outline along the second-last column and row; the last ones stay background.
        const QImage drawn = pad->grab().toImage();
        const QColor outline(QStringLiteral("#191532"));
        const int w = drawn.width(), h = drawn.height();
        QCOMPARE(drawn.pixelColor(w - 2, h / 2), outline);
        QCOMPARE(drawn.pixelColor(w / 2, h - 2), outline);
        QCOMPARE(drawn.pixelColor(0, h / 2), outline);
        QVERIFY(drawn.pixelColor(w - 1, h / 2) != outline);
        QVERIFY(drawn.pixelColor(w / 2, h - 1) != outline);

        // Screenshot for a look at legibility, inside a full screen, with
        // stand-ins for the skin's dark button pictures.
        QPixmap buttons[2] = {QPixmap(8, 8), QPixmap(8, 8)};
        buttons[0].fill(QColor(0x32, 0x32, 0x32));
        buttons[1].fill(QColor(0xC8, 0x93, 0x4A));
        QPixmap* savedButtons = gpPixmapButton;
        gpPixmapButton = buttons;
        QWidget screen;
        screen.setGeometry(0, 0, gShowW, gShowH);
        pad->setParent(&screen);
        pad->move(gShowW - pad->width(), gShowH - pad->height());
        pad->show();
        const QString dir = QStringLiteral(MOJU_BINARY_DIR) + QStringLiteral("/screens");
        QDir().mkpath(dir);
        const QString name = QStringLiteral("%1/%2-%3x%4.png").arg(dir, charPad ? "charpad" : "numpad").arg(gShowW).arg(gShowH);
        const bool saved = screen.grab().save(name);
        gpPixmapButton = savedButtons;
        pad->setParent(nullptr);
        QVERIFY(saved);
    }
};

MOJU_TEST_MAIN(TestKeypads)
#include "test_keypads.moc"
