#pragma once
// The cover field: an editable drop-down that offers the pictures of the last
// batch (file names as lines, in ordinal order) and takes any typed or
// browsed path. It shows the book project's CCoverChoice and writes the
// user's typing and line choices into it.
#include <QComboBox>
#include <functional>
#include <string>

#include "project/CoverChoice.h"

class C_ComboBox : public QComboBox {
public:
    // `choice` outlives every user action on the field.
    explicit C_ComboBox(CCoverChoice& choice, QWidget* parent = nullptr);

    // Shows the choice again after it changed: its lines, selection and
    // text, the drop-down wide enough for the longest line.
    void Mirror();
    // The selected line's picture, otherwise the typed text.
    std::u16string GetCoverPath() const { return m_choice.GetCoverPath(); }

    // The selection changed: a line was picked, or the edit box lost the
    // focus (a typed path may have changed).
    std::function<void()> m_onSelChange;

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Makes the drop-down list wide enough for its longest line.
    void FitDropDownWidth();
    // Appends the line of one picture: its file name (" (embedded)" after an
    // audio file's), with the path as data.
    void AddImage(const std::u16string& path);
    void NotifySelChange();

    CCoverChoice& m_choice;
};
