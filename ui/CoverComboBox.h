#pragma once
// The cover field: an editable drop-down that offers the pictures of the last
// batch (file names as lines, in ordinal order) and takes any typed or
// browsed path. Its state is a CCoverChoice; the widget mirrors it.
#include <QComboBox>
#include <functional>
#include <string>
#include <vector>

#include "CoverChoice.h"

class C_ComboBox : public QComboBox {
public:
    explicit C_ComboBox(QWidget* parent = nullptr);

    // Replaces the lines by `paths` (sorted), selects the pre-selected line
    // and fits the drop-down's width. Does nothing without pictures.
    void TakePictures(const std::vector<std::u16string>& paths);
    // Removes every line and the text.
    void Reset();
    // A browsed path: becomes the text, no line selected.
    void SetBrowsedPath(const QString& path);
    // Makes the drop-down list wide enough for its longest line.
    void FitDropDownWidth();
    // The selected line's picture, otherwise the typed text.
    std::u16string GetCoverPath() const;

    const CCoverChoice& Choice() const { return m_choice; }

    // The selection changed: a line was picked, or the edit box lost the
    // focus (a typed path may have changed).
    std::function<void()> m_onSelChange;

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Shows the choice: its lines, selection and text.
    void Mirror();
    // Appends the line of one picture: its file name, with the path as data.
    void AddImage(const std::u16string& path);
    void NotifySelChange();

    CCoverChoice m_choice;
};
