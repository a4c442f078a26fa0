#pragma once
// The editor column's template commands: add the shown picture to the
// library, delete one or all, step through the templates, recent NG frames
// and record pictures.
class DrawROIWidget;

class TemplateCommands {
public:
    explicit TemplateCommands(DrawROIWidget& column) : m_col(column) {}

    void AddTemplate();
    void DeleteCurrent();
    void DeleteAll();
    // dir -1: previous, +1: next picture of the current source.
    void Step(int dir);

private:
    DrawROIWidget& m_col;
};
