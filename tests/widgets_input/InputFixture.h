#pragma once
// Shared set-up of the input tests: both keypads, an active full-screen host,
// the key captions of the English table, and taps by synthetic mouse events.
#include "TestSupport.h"

#include "foundation/uitext.h"
#include "foundation/VisionGlobals.h"
#include "widgets/ColorButton.h"
#include "widgets/Edit.h"
#include "widgets/MainWindowHooks.h"
#include "widgets/NumCharInput.h"
#include "widgets/NumberInput.h"

#include <QApplication>
#include <QWidget>

inline void LoadKeyCaptions()
{
    gLan = 1;
    const struct {
        int id;
        const char* text;
    } texts[] = {{121, "Confirm"}, {122, "YES"}, {123, "NO"}, {124, "Cancel"}, {125, "Password:"},
                 {157, "BS"}, {158, "Lower"}, {159, "Capital"}, {441, "symbol"}, {442, "character"}};
    for (const auto& t : texts)
        gaLanStr[t.id * 3 + 1] = QString::fromLatin1(t.text);
}

// Both pads exist for the life of the fixture; a pad deleted with a host
// clears its global, so the delete below is then a no-op.
struct Pads {
    Pads()
    {
        gpNumPad = new NumberInput(nullptr);
        gpNumCharPad = new NumCharInput(nullptr);
    }
    ~Pads()
    {
        delete gpNumPad;
        delete gpNumCharPad;
        MainWindowHooks::instance().setCurEdit(nullptr);
    }
    Pads(const Pads&) = delete;
    Pads& operator=(const Pads&) = delete;
};

// Full-screen top-level window that has the keyboard focus, as on the panel.
inline bool ShowActive(QWidget& host)
{
    host.setGeometry(0, 0, gShowW, gShowH);
    host.show();
    host.activateWindow();
    return QTest::qWaitForWindowActive(&host);
}

inline void Tap(QWidget* w, QPoint at = QPoint())
{
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at.isNull() ? w->rect().center() : at);
}

inline void TypeDigits(const QString& digits)
{
    for (const QChar c : digits)
        Tap(gpNumPad->digitKey(c.digitValue()));
}

inline QLineEdit* CurEdit()
{
    return MainWindowHooks::instance().curEdit();
}
