#pragma once
// Asks for the span of the detection-cycle export and writes the request
// (sql.txt, one SELECT per calendar day) for the export program.
#include "widgets/PaintedTextSource.h"

#include <QDialog>

class EditDateTime;
class ColorButton;

class ExportDialog : public QDialog, public PaintedTextSource {
    Q_OBJECT
public:
    // sqlFile: where the request goes (the working directory's sql.txt).
    explicit ExportDialog(const QString& sqlFile, QWidget* parent = nullptr);

    EditDateTime* startEditor() const { return m_start; }
    EditDateTime* endEditor() const { return m_end; }
    ColorButton* okButton() const { return m_ok; }
    // Request lines written by the last Confirm (none for a start after the end).
    int requestLines() const { return m_lines; }
    QList<PlacedText> PaintedTexts() const override;

public slots:
    void acceptedDialog();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    EditDateTime* m_start;
    EditDateTime* m_end;
    ColorButton* m_ok;
    ColorButton* m_cancel;
    QString m_sqlFile;
    int m_lines = 0;
};

// Background and title picture of the cycle-log windows, with a cyan title.
void PaintCycleLogWindow(QWidget* w, const QString& title);
// The title as that paints it.
PlacedText CycleLogTitle(const QWidget* w, const QString& title);
