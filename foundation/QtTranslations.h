#pragma once
// Qt's own texts (the labels and buttons of its dialogs) in the screen's
// language. The catalogues come with Qt (Debian: qt6-translations-l10n) or
// in translations/ beside the program; where none is found Qt's English
// stays, as it always did.
namespace QtTranslations {

// Replaces the catalogue installed before with the one for `lan` (a
// UiLanguage); true when one is installed. English needs none.
bool Install(int lan);

}  // namespace QtTranslations
