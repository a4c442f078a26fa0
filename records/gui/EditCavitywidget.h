#pragma once
// The cavity-name editor: a camera combo and 16 name fields. Edits collect
// in the working copy (TempSave_table) while the operator switches cameras;
// Confirm makes every camera's names the ones in force and recaptions the
// cavity check boxes, Cancel leaves the names in force as they were.
#include "records/CavityNames.h"

#include <QWidget>

#include <functional>

class ColorButton;
class ComboBox;
class Edit;
class QLabel;

class EditCavitywidget : public QWidget {
    Q_OBJECT
public:
    // cameras: numCamera (the combo's entries and the cameras recaptioned).
    EditCavitywidget(int cameras, QWidget* parent = nullptr, const QString& workDir = QStringLiteral("."));

    bool Databaseinit();
    void init();
    void Initialize(const QString& from, const QString& to);
    void changeCamera();
    // Name of cavity i (0..15) of camera cam as in force.
    QString getResult(int cam, int i);

    // The page Confirm and Cancel return to (the settings dialog).
    void setReturnPage(QWidget* page) { m_returnTo = page; }
    // Receives a camera's names whenever they take effect (cavity check boxes).
    void setCaptionSink(std::function<void(int cam, const QStringList& names)> sink) { m_sink = std::move(sink); }

    int camera() const { return m_cam; }
    Edit* nameEdit(int k) const { return k >= 0 && k < 16 ? m_edits[k] : nullptr; }
    ComboBox* cameraCombo() const { return m_combo; }
    ColorButton* confirmButton() const { return m_confirm; }
    ColorButton* cancelButton() const { return m_cancel; }
    CavityNames& store() { return m_names; }

public slots:
    void SlotChangeCam(int index);
    void Accept();
    void Reject();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void StoreEdits();
    void Leave();

    QWidget* m_returnTo = nullptr;
    Edit* m_edits[16] = {};
    QLabel* m_captions[16] = {};
    ColorButton* m_confirm = nullptr;
    ColorButton* m_cancel = nullptr;
    ComboBox* m_combo = nullptr;
    CavityNames m_names;
    QStringList m_result;  // the last names getResult read
    std::function<void(int, const QStringList&)> m_sink;
    int m_cameras;
    int m_cam = 0;
};
