#pragma once
// Which control edits which parameter: one row per control, named by its
// sysparam row key and 1-based value position. Loading fills the controls
// from the edit copy; storing writes them back.
#include "params/ParaRows.h"

#include <QList>

class QWidget;
struct WizardPara;

class SettingsBindings {
public:
    // offset: the control shows the stored value plus offset (positioning
    // shows stored -1/0 as unticked/ticked).
    void bind(QWidget* control, const char* key, int position, int offset = 0);
    void bind(QWidget* control, ParaRef field, int offset = 0);

    void Load(WizardPara& edit) const;
    void Store(WizardPara& edit) const;

private:
    struct Row {
        QWidget* control;
        ParaRef field;
        int offset;
    };
    QList<Row> m_rows;
};
