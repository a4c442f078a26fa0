#include "SettingsBindings.h"

#include "params/WizardPara.h"
#include "widgets/CheckBox.h"
#include "widgets/ComboBox.h"
#include "widgets/EditBox.h"

void SettingsBindings::bind(QWidget* control, const char* key, int position, int offset)
{
    const ParaValue* v = FindParaValue(QString::fromLatin1(key), position);
    Q_ASSERT(v);
    // The save side: the machine type combo edits the type chosen for the next start.
    bind(control, v->write, offset);
}

void SettingsBindings::bind(QWidget* control, ParaRef field, int offset)
{
    m_rows.append({control, field, offset});
}

void SettingsBindings::Load(WizardPara& edit) const
{
    for (const Row& r : m_rows) {
        const int v = r.field(edit) + r.offset;
        if (auto* e = qobject_cast<EditBox*>(r.control))
            e->setValue(v);  // clamps into the box's range
        else if (auto* c = qobject_cast<CheckBox*>(r.control))
            c->setValue(v);
        else if (auto* b = qobject_cast<ComboBox*>(r.control))
            b->setCurrentIndex(v >= 0 && v < b->count() ? v : -1);
    }
}

void SettingsBindings::Store(WizardPara& edit) const
{
    for (const Row& r : m_rows) {
        if (auto* e = qobject_cast<EditBox*>(r.control)) {
            r.field(edit) = e->value() - r.offset;
        } else if (auto* c = qobject_cast<CheckBox*>(r.control)) {
            r.field(edit) = c->value() - r.offset;
        } else if (auto* b = qobject_cast<ComboBox*>(r.control)) {
            // A stored value the combo has no item for stays as it was.
            if (b->currentIndex() >= 0)
                r.field(edit) = b->currentIndex() - r.offset;
        }
    }
}
