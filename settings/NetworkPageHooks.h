#pragma once
// The settings dialog's network page as its Confirm sees it. The page's
// controls and their writing belong to the plant-link settings; until they
// exist this default reports that nothing on the page was edited.
#include <QString>

struct WizardPara;
class QWidget;

class NetworkPageHooks {
public:
    virtual ~NetworkPageHooks() = default;
    // Controls loaded from the edit copy and the edited card data.
    virtual void Init() {}
    // Controls written into the edit copy and the edited host name.
    virtual void StoreInto(WizardPara& edit) { (void)edit; }
    // Edited host name and cards equal the live ones.
    virtual bool EditedEqualsLive() const { return true; }
    // The plant client's servers were changed (the flag is cleared).
    virtual bool TakeServerChanged() { return false; }
    // Files for the system written; bit set of the changes (0: none).
    virtual int SaveNetParam() { return 0; }
    virtual QString EditedHostName() const { return QString(); }
    virtual bool HostNameEdited() const { return false; }
    // Edited card data back to the live one, or the live one taking the edits.
    virtual void Discard() {}
    virtual void Commit() {}
    // After a saved change (bits non-zero): the MAC list for outside scripts.
    virtual void UpdateRegisterMac() {}
    // The page's controls shown or hidden with the page.
    virtual void Show(bool shown, bool factory) { (void)shown, (void)factory; }
};
