#include "ui/SplitChaptersDlg.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "project/SplitChoice.h"
#include "ui/DialogFont.h"

namespace {
constexpr int64_t kDefaultLength = 20 * 60 * 10000000LL;
}  // namespace

CSplitChaptersDlg::CSplitChaptersDlg(const sChapterSplit& current, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Split Long Chapters"));
    setFont(DialogFont());
    auto* layout = new QVBoxLayout(this);
    m_off = new QRadioButton(QStringLiteral("&Off: every chapter stays whole"), this);
    m_pauses = new QRadioButton(QStringLiteral("At &pauses: each cut in the longest pause near its place"), this);
    m_exact = new QRadioButton(QStringLiteral("&Exactly: parts of equal length"), this);
    m_off->setObjectName(QStringLiteral("off"));
    m_pauses->setObjectName(QStringLiteral("pauses"));
    m_exact->setObjectName(QStringLiteral("exact"));
    for (QRadioButton* button : {m_off, m_pauses, m_exact})
        layout->addWidget(button);
    (current.m_eMode == eSplitMode::Exact ? m_exact : current.m_eMode == eSplitMode::Pauses ? m_pauses : m_off)
        ->setChecked(true);

    auto* form = new QFormLayout;
    m_length = new QLineEdit(
        QString::fromStdString(FormatSplitLength(current.m_llLength > 0 ? current.m_llLength : kDefaultLength)), this);
    m_length->setObjectName(QStringLiteral("length"));
    form->addRow(QStringLiteral("Part &length:"), m_length);
    layout->addLayout(form);
    auto* hint = new QLabel(QStringLiteral("Such as 20m, 90s or 1h30m, at least 10s. Chapters longer than 1.5 "
                                           "lengths are cut into parts of about this length; cuts at pauses "
                                           "are found while the book is converted."),
                            this);
    hint->setWordWrap(true);
    layout->addWidget(hint);
    connect(m_length, &QLineEdit::textChanged, this, [this] { Update(); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    for (QRadioButton* button : {m_off, m_pauses, m_exact})
        connect(button, &QRadioButton::toggled, this, [this] { Update(); });
    Update();
}

void CSplitChaptersDlg::Update()
{
    const bool splits = !m_off->isChecked();
    m_length->setEnabled(splits);
    m_ok->setEnabled(!splits || ParseSplitLength(m_length->text().trimmed().toStdString()).has_value());
}

sChapterSplit CSplitChaptersDlg::Choice() const
{
    sChapterSplit split;
    const std::optional<int64_t> length = ParseSplitLength(m_length->text().trimmed().toStdString());
    if (m_off->isChecked() || !length)
        return split;
    split.m_eMode = m_exact->isChecked() ? eSplitMode::Exact : eSplitMode::Pauses;
    split.m_llLength = *length;
    return split;
}
