#pragma once
// An edit that shows a prefix, fields between separators and a suffix, with
// one field current and selected. Space and Right go to the next field, Left
// to the previous one (both wrap); a click picks the field under it. The
// edit's own editing is off: subclasses take keys and characters, and text
// never comes in by paste or drop.

#include "controls/ColorEdit.h"
#include "controls/LatLongLogic.h"

class CGCMultiFieldEdit : public CGCColorEdit {
    Q_OBJECT
public:
    explicit CGCMultiFieldEdit(QWidget* parent = nullptr);

    // False for an index past the last field.
    bool SelectField(int field);
    [[nodiscard]] int CurrentField() const { return current_; }
    [[nodiscard]] const MultiFieldText& Fields() const { return fields_; }

protected:
    // New texts; the current field stays current and is selected.
    void SetFields(MultiFieldText fields);
    // Called when another field becomes current.
    virtual void OnFieldChanged() {}
    // Keys after the field navigation; true when taken.
    virtual bool OnKey(QKeyEvent*) { return false; }
    virtual void OnChar(QChar) {}
    virtual void OnRightButtonUp(const QPoint&) {}

    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void ShowCurrent();

    MultiFieldText fields_;
    int current_ = 0;
};
