#include "ui/CoverComboBox.h"

#include <QAbstractItemView>
#include <QFocusEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QStyle>


C_ComboBox::C_ComboBox(CCoverChoice& choice, QWidget* parent) : QComboBox(parent), m_choice(choice)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setDuplicatesEnabled(true);
    setMaxVisibleItems(8);
    setCompleter(nullptr);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // Typing replaces any selected line by the typed text.
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
        m_choice.SetText(text.toStdU16String());
    });
    connect(this, qOverload<int>(&QComboBox::activated), this, [this](int line) {
        m_choice.Select(line);
        NotifySelChange();
    });
}

void C_ComboBox::AddImage(const std::u16string& path)
{
    addItem(QString::fromStdU16String(CoverLineText(path)), QString::fromStdU16String(path));
}

void C_ComboBox::FitDropDownWidth()
{
    const QFontMetrics metrics(view()->font());
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        const int w = metrics.horizontalAdvance(itemText(i)) + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
        widest = std::max(widest, w);
    }
    widest += metrics.horizontalAdvance(QStringLiteral("0"));
    view()->setMinimumWidth(widest);
}

void C_ComboBox::Mirror()
{
    const QSignalBlocker blocker(this);
    clear();
    for (const std::u16string& path : m_choice.Paths())
        AddImage(path);
    setCurrentIndex(m_choice.Selected());
    setEditText(QString::fromStdU16String(m_choice.Text()));
    FitDropDownWidth();
}

void C_ComboBox::NotifySelChange()
{
    if (m_onSelChange)
        m_onSelChange();
}

void C_ComboBox::focusOutEvent(QFocusEvent* event)
{
    // The edit box's focus goes through the field. Leaving it counts as a
    // change of selection, so a typed path is shown; then the edit box
    // handles the focus loss as usual. Opening the drop-down is no leaving.
    if (event->reason() != Qt::PopupFocusReason)
        NotifySelChange();
    QComboBox::focusOutEvent(event);
}
