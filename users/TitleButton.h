#pragma once
// The Confirm and Cancel buttons of the account dialogs' title bars: 100 x 50,
// white on a coloured face, the caption as large as 32 px where it fits.
class QPushButton;
class QWidget;

enum class TitleButtonKind { Confirm, Cancel };

// Text 121 "Confirm" (green) or 124 "Cancel" (red).
QPushButton* TitleButton(TitleButtonKind kind, QWidget* parent);
