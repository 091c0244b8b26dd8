#include "ui/MoreDetailsDlg.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QResizeEvent>

#include "ui/DialogFont.h"

namespace {

// The template, in dialog units: labels in a column on the left, editors
// beside them, OK and Cancel at the bottom right.
constexpr int MARGIN = 7;
constexpr int LABEL_WIDTH = 60;
constexpr int EDITOR_X = MARGIN + LABEL_WIDTH + 4;
constexpr int EDITOR_WIDTH = 200;
constexpr int LINE_HEIGHT = 14;
constexpr int MULTI_LINE_HEIGHT = 56;
constexpr int ROW_GAP = 4;
constexpr int BUTTON_WIDTH = 50;
constexpr int BUTTON_GAP = 4;
constexpr int CLIENT_WIDTH = EDITOR_X + EDITOR_WIDTH + MARGIN;

QString Q(std::u16string_view text) { return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())); }

// The label without its colon.
std::u16string_view Name(const sDetailRow& row)
{
    std::u16string_view label = row.m_label;
    if (label.ends_with(u':'))
        label.remove_suffix(1);
    return label;
}

}  // namespace

std::u16string OtherDetailsSummary(const sBookDetails& details)
{
    std::u16string summary;
    for (const sDetailRow& row : DETAIL_ROWS) {
        if (row.InMainWindow() || details[row.m_detail].empty())
            continue;
        summary += summary.empty() ? u"Also: " : u", ";
        summary += Name(row);
    }
    return summary;
}

CMoreDetailsDlg::CMoreDetailsDlg(const sBookDetails& details, QWidget* parent)
    : QDialog(parent), m_details(details)
{
    setObjectName(QStringLiteral("MoreDetails"));
    setWindowTitle(QStringLiteral("More Details"));
    setFont(DialogFont());
    const sDialogUnits du = DialogUnitsOf(font());

    // Rows below a multi-line editor move down as it grows.
    int y = MARGIN;
    int belowGrowing = RESIZE_NONE;
    for (const sDetailRow& row : DETAIL_ROWS) {
        if (row.InMainWindow())
            continue;
        auto* label = new QLabel(Q(row.m_label), this);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        Place(label, du.Rect(MARGIN, y + 2, LABEL_WIDTH, 8), belowGrowing);
        QWidget* editor = nullptr;
        int height = LINE_HEIGHT;
        if (row.m_bMultiLine) {
            auto* text = new QPlainTextEdit(Q(details[row.m_detail]), this);
            text->setTabChangesFocus(true);  // Tab moves on, as in every other field
            editor = text;
            height = MULTI_LINE_HEIGHT;
            Place(editor, du.Rect(EDITOR_X, y, EDITOR_WIDTH, height), RESIZE_SIZE_X | RESIZE_SIZE_Y | belowGrowing);
            belowGrowing = RESIZE_MOVE_Y;
        } else {
            editor = new QLineEdit(Q(details[row.m_detail]), this);
            Place(editor, du.Rect(EDITOR_X, y, EDITOR_WIDTH, height), RESIZE_SIZE_X | belowGrowing);
        }
        editor->setObjectName(QString::fromLatin1(row.m_key.data(), static_cast<qsizetype>(row.m_key.size())));
        label->setBuddy(editor);
        m_editors.emplace_back(row.m_detail, editor);
        y += height + ROW_GAP;
    }

    y += ROW_GAP;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("Cancel"));
    const int cancelX = CLIENT_WIDTH - MARGIN - BUTTON_WIDTH;
    Place(ok, du.Rect(cancelX - BUTTON_GAP - BUTTON_WIDTH, y, BUTTON_WIDTH, LINE_HEIGHT),
          RESIZE_MOVE_X | RESIZE_MOVE_Y);
    Place(cancel, du.Rect(cancelX, y, BUTTON_WIDTH, LINE_HEIGHT), RESIZE_MOVE_X | RESIZE_MOVE_Y);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Tab order is the order of the rows, then OK and Cancel.
    QWidget* previous = nullptr;
    for (const auto& [detail, editor] : m_editors) {
        if (previous)
            setTabOrder(previous, editor);
        previous = editor;
    }
    setTabOrder(previous, ok);
    setTabOrder(ok, cancel);

    // The template size is the smallest: every row stays readable.
    m_initial = QSize(du.X(CLIENT_WIDTH), du.Y(y + LINE_HEIGHT + MARGIN));
    resize(m_initial);
    setMinimumSize(m_initial);
    setSizeGripEnabled(true);
}

void CMoreDetailsDlg::Place(QWidget* widget, const sLayoutRect& rect, int rules)
{
    widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
    m_placed.push_back({widget, rect, rules});
}

void CMoreDetailsDlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    for (const sPlaced& placed : m_placed) {
        const sLayoutRect r = ApplyResizeRule(placed.initial, placed.rules, m_initial.width(), m_initial.height(),
                                              width(), height());
        placed.widget->setGeometry(r.x, r.y, r.width, r.height);
    }
}

QWidget* CMoreDetailsDlg::Editor(eDetail detail) const
{
    for (const auto& [row, editor] : m_editors) {
        if (row == detail)
            return editor;
    }
    return nullptr;
}

sBookDetails CMoreDetailsDlg::Details() const
{
    sBookDetails details = m_details;
    for (const auto& [detail, editor] : m_editors) {
        if (const auto* line = qobject_cast<const QLineEdit*>(editor))
            details[detail] = line->text().toStdU16String();
        else if (const auto* text = qobject_cast<const QPlainTextEdit*>(editor))
            details[detail] = text->toPlainText().toStdU16String();
    }
    return details;
}
