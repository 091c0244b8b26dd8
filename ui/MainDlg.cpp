#include "ui/MainDlg.h"

#include <optional>

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/AboutDlg.h"
#include "ui/AboutToResizeEvent.h"
#include "ui/AppIcon.h"
#include "ui/ChapterEditorDlg.h"
#include "engine/Converter.h"
#include "engine/Settings.h"
#include "ui/CoverComboBox.h"
#include "ui/DialogFont.h"
#include "ui/LibraryDlg.h"
#include "ui/ListFiles.h"
#include "ui/MoreDetailsDlg.h"
#include "project/LeftOutChapters.h"
#include "ui/SplitChaptersDlg.h"
#include "project/OutputPath.h"
#include "ui/PictureBoxCtrl.h"
#include "ui/ProgressDlg.h"
#include "ui/UserDialogs.h"

namespace {

constexpr int kRepaintEveryRows = 10;  // rows of a batch between repaints

// One control of the window's template: id, text, position in dialog units
// and how it follows the window's size.
struct sControlTemplate {
    int id;
    const char* text;
    int x, y, width, height;
    int rules;
};

constexpr int MOVE_RIGHT_DOWN = RESIZE_MOVE_X | RESIZE_MOVE_Y;
constexpr int GROW_X_MOVE_DOWN = RESIZE_SIZE_X | RESIZE_MOVE_Y;

QString IdName(int id) { return QString::number(id); }

// The "More Details…" button and the line naming the other details set.
constexpr int ID_MORE_DETAILS = 1026;
constexpr int ID_OTHER_DETAILS = 1027;

QString Q(const std::u16string& text) { return QString::fromStdU16String(text); }

std::vector<std::u16string> U16(const QStringList& texts)
{
    std::vector<std::u16string> result;
    for (const QString& text : texts)
        result.push_back(text.toStdU16String());
    return result;
}

// One entry of a file dialog's filter list. The desktop's native dialog
// matches patterns with case, so every extension is listed in lower and in
// upper case ("*.mp3 *.MP3").
QString FileFilter(const char* name, const QStringList& extensions)
{
    QStringList lower;
    QStringList upper;
    for (const QString& extension : extensions) {
        lower << QStringLiteral("*.") + extension;
        upper << QStringLiteral("*.") + extension.toUpper();
    }
    return QString::fromLatin1(name) + QStringLiteral(" (") + (lower + upper).join(u' ') + u')';
}

QString FileFilter(const char* name, std::initializer_list<const char*> extensions)
{
    QStringList list;
    for (const char* extension : extensions)
        list << QString::fromLatin1(extension);
    return FileFilter(name, list);
}

// Every audio extension the list takes, without its dot.
QStringList AudioExtensions()
{
    QStringList list;
    for (std::u16string_view extension : AUDIO_EXTENSIONS)
        list << QString::fromStdU16String(std::u16string(extension.substr(1)));
    return list;
}

const QString kAllFiles = QStringLiteral("All Files (*)");

// Wait cursor for the lifetime of the object.
class CWaitCursor {
public:
    CWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~CWaitCursor() { QApplication::restoreOverrideCursor(); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};

QStringList LocalPaths(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile())
            paths << url.toLocalFile();
    return paths;
}

}  // namespace

CMainDlg::CMainDlg(TagReader readTags, QWidget* parent)
    : QDialog(parent), m_readTags(readTags), m_project(std::move(readTags)), m_settingsFile(ProgramSettingsPath())
{
    setObjectName(QStringLiteral("129"));
    setWindowTitle(QString::fromLatin1(kCaption));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(DialogFont());
    setWindowIcon(AppIcon());
    setAcceptDrops(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_menu = new QMenuBar(this);
    layout->setMenuBar(m_menu);
    m_client = new QWidget(this);
    layout->addWidget(m_client);

    CreateMenu();
    CreateControls();
    CreateMoreDetails();
    SetTabOrder();
    // The user's edits of a detail go into the project as they are typed.
    for (const sDetailRow& row : DETAIL_ROWS) {
        if (!row.InMainWindow())
            continue;
        connect(DetailField(row.m_nControlId), &QLineEdit::textChanged, this,
                [this, detail = row.m_detail](const QString& text) {
                    m_project.Details()[detail] = text.toStdU16String();
                });
    }
    m_project.SetView(this);

    // The client area keeps its template size; the menu bar is added on top.
    const sDialogUnits du = DialogUnitsOf(font());
    m_nInitialWidth = du.X(327);
    m_nInitialHeight = du.Y(360);
    const int menuHeight = m_menu->sizeHint().height();
    resize(m_nInitialWidth, m_nInitialHeight + menuHeight);
    m_client->resize(m_nInitialWidth, m_nInitialHeight);
    m_laidOut = QSize(m_nInitialWidth, m_nInitialHeight);  // the template positions
    m_client->installEventFilter(this);

    setSizeGripEnabled(true);
    int minWidth = 0;
    int minHeight = 0;
    MinimumTrackSize(m_nInitialWidth, m_nInitialHeight + menuHeight, minWidth, minHeight);
    setMinimumSize(minWidth, minHeight);

    // Drops anywhere in the window are the window's: the controls take none.
    for (QWidget* child : findChildren<QWidget*>())
        child->setAcceptDrops(false);

    EnableStart();
}

CMainDlg::~CMainDlg()
{
    // The controls outlive this object's own part while the base destroys
    // them; a focus change then must not call back in here.
    m_project.SetView(nullptr);
    m_cbCover->m_onSelChange = nullptr;
    m_list->m_onDeleteKey = nullptr;
}

void CMainDlg::CreateMenu()
{
    auto add = [this](QMenu* menu, int id, const char* text, const char* shortcut) {
        QAction* action = menu->addAction(QString::fromUtf8(text));
        action->setObjectName(IdName(id));
        action->setData(id);
        if (shortcut) {
            action->setShortcut(QKeySequence(QString::fromLatin1(shortcut)));
            action->setShortcutContext(Qt::WindowShortcut);
        }
        addAction(action);  // window-wide, also while an edit field has the focus
        m_commands[id] = action;
        return action;
    };

    QMenu* file = m_menu->addMenu(QStringLiteral("&File"));
    connect(add(file, ID_FILE_NEW, "&New\tCtrl+N", "Ctrl+N"), &QAction::triggered, this, [this] { OnNew(); });
    connect(add(file, ID_FILE_ADD, "Add Files...\tCtrl+O", "Ctrl+O"), &QAction::triggered, this,
            [this] { OnAddFiles(); });
    connect(add(file, ID_FILE_CONVERT_EACH, "Convert Each Folder...", nullptr), &QAction::triggered, this,
            [this] { OnConvertEachFolder(); });
    file->addSeparator();
    connect(add(file, ID_START_CONVERSION, "Save AudioBook &As...\tCtrl+S", "Ctrl+S"), &QAction::triggered, this,
            [this] { StartConversion(); });
    file->addSeparator();
    connect(add(file, ID_CANCEL, "E&xit", nullptr), &QAction::triggered, this, [this] { done(MAIN_DIALOG_END_CODE); });

    QMenu* chapters = m_menu->addMenu(QStringLiteral("&Chapters"));
    auto* group = new QActionGroup(this);
    group->setExclusive(true);
    for (auto [id, text] : {std::pair{ID_CHAPTERS_FILENAME, "From FileName"}, std::pair{ID_CHAPTERS_TAG, "From MP3 Tag"}}) {
        QAction* action = add(chapters, id, text, nullptr);
        action->setCheckable(true);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, id] { OnChapterSource(id); });
    }
    m_commands[m_project.ChapterSource() != CHAPTERS_FROM_FILENAME ? ID_CHAPTERS_TAG : ID_CHAPTERS_FILENAME]
        ->setChecked(true);
    chapters->addSeparator();
    connect(add(chapters, ID_EDIT_CHAPTERS, "&Edit Chapters...\tCtrl+E", "Ctrl+E"), &QAction::triggered, this,
            [this] { OnEditChapters(); });
    connect(add(chapters, ID_SPLIT_CHAPTERS, "&Split Long Chapters...", nullptr), &QAction::triggered, this,
            [this] { OnSplitChapters(); });

    QMenu* help = m_menu->addMenu(QStringLiteral("&Help"));
    connect(add(help, ID_APP_ABOUT, "&About Tavlin...", nullptr), &QAction::triggered, this, [this] { OnAbout(); });
}

void CMainDlg::CreateControls()
{
    static constexpr sControlTemplate kControls[] = {
        {1025, "Start Conversion", 193, 332, 127, 21, MOVE_RIGHT_DOWN},
        {1000, nullptr, 7, 7, 313, 204, RESIZE_SIZE_X | RESIZE_SIZE_Y},
        {1010, nullptr, 7, 227, 178, 14, GROW_X_MOVE_DOWN},
        {1003, nullptr, 193, 227, 102, 14, MOVE_RIGHT_DOWN},
        {1016, "...", 300, 227, 20, 14, MOVE_RIGHT_DOWN},
        {1013, nullptr, 7, 256, 178, 14, GROW_X_MOVE_DOWN},
        {1012, nullptr, 7, 282, 178, 14, GROW_X_MOVE_DOWN},
        {1011, nullptr, 7, 309, 46, 14, RESIZE_MOVE_Y},
        {1014, nullptr, 59, 309, 126, 14, GROW_X_MOVE_DOWN},
        {1015, nullptr, 7, 335, 178, 14, GROW_X_MOVE_DOWN},
        {1023, "Cover:", 194, 217, 22, 8, MOVE_RIGHT_DOWN},
        {1024, nullptr, 193, 246, 127, 77, MOVE_RIGHT_DOWN},
        {1017, "Artist:", 8, 217, 18, 8, RESIZE_MOVE_Y},
        {1018, "Writer:", 8, 245, 22, 8, RESIZE_MOVE_Y},
        {1019, "Album:", 8, 271, 22, 8, RESIZE_MOVE_Y},
        {1020, "Year:", 8, 299, 18, 8, RESIZE_MOVE_Y},
        {1021, "Genre:", 60, 299, 22, 8, RESIZE_MOVE_Y},
        {1022, "Comment:", 8, 325, 32, 8, RESIZE_MOVE_Y},
    };
    const sDialogUnits du = DialogUnitsOf(font());
    for (const sControlTemplate& t : kControls) {
        QWidget* widget = nullptr;
        const QString text = t.text ? QString::fromLatin1(t.text) : QString();
        sLayoutRect rect = du.Rect(t.x, t.y, t.width, t.height);
        switch (t.id) {
        case 1025:
            m_pStart = new QPushButton(text, m_client);
            m_pStart->setDefault(true);
            connect(m_pStart, &QPushButton::clicked, this, [this] { StartConversion(); });
            widget = m_pStart;
            break;
        case 1000:
            m_list = new CListFiles(m_client);
            m_list->m_onDeleteKey = [this] { m_project.DeleteRows(m_list->SelectedRows()); };
            widget = m_list;
            break;
        case 1003:
            m_cbCover = new C_ComboBox(m_project.Cover(), m_client);
            m_cbCover->m_onSelChange = [this] { RefreshCover(); };
            rect.y += 1;  // sits one pixel lower than its template position
            widget = m_cbCover;
            break;
        case 1016: {
            // Auto-default: Enter while it has the focus presses it, not
            // "Start Conversion".
            auto* button = new QPushButton(text, m_client);
            button->setAutoDefault(true);
            connect(button, &QPushButton::clicked, this, [this] { OnBrowseCover(); });
            widget = button;
            break;
        }
        case 1024:
            m_picture = new CPictureBoxCtrl(m_client);
            widget = m_picture;
            break;
        default:
            if (t.text) {
                auto* label = new QLabel(text, m_client);
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                label->setFocusPolicy(Qt::NoFocus);
                widget = label;
            } else {
                widget = new QLineEdit(m_client);
            }
            break;
        }
        widget->setObjectName(IdName(t.id));
        widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
        m_rules.push_back({widget, rect, t.rules});
    }
}

void CMainDlg::SetTabOrder()
{
    // Template order is tab order.
    QWidget* previous = nullptr;
    for (int id : {1025, 1000, 1010, 1003, 1016, 1013, 1012, 1011, 1014, 1015}) {
        QWidget* widget = Control(id);
        if (previous)
            setTabOrder(previous, widget);
        previous = widget;
    }
    setTabOrder(previous, Control(ID_MORE_DETAILS));
}

void CMainDlg::CreateMoreDetails()
{
    // Above the right end of the details' fields, and a line below them; the
    // six fields keep their places.
    const sDialogUnits du = DialogUnitsOf(font());
    auto* button = new QPushButton(QStringLiteral("More Details\u2026"), m_client);
    button->setObjectName(IdName(ID_MORE_DETAILS));
    button->setAutoDefault(true);
    connect(button, &QPushButton::clicked, this, [this] { OnMoreDetails(); });
    m_pOtherDetails = new QLabel(m_client);
    m_pOtherDetails->setObjectName(IdName(ID_OTHER_DETAILS));
    m_pOtherDetails->setFocusPolicy(Qt::NoFocus);
    auto place = [this](QWidget* widget, const sLayoutRect& rect, int rules) {
        widget->setGeometry(rect.x, rect.y, rect.width, rect.height);
        m_rules.push_back({widget, rect, rules});
    };
    place(button, du.Rect(125, 213, 60, 12), MOVE_RIGHT_DOWN);
    place(m_pOtherDetails, du.Rect(8, 351, 177, 8), GROW_X_MOVE_DOWN);
    // Window-wide, also while an edit field has the focus.
    auto* action = new QAction(this);
    action->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
    action->setShortcutContext(Qt::WindowShortcut);
    connect(action, &QAction::triggered, this, [this] { OnMoreDetails(); });
    addAction(action);
}

void CMainDlg::OnMoreDetails()
{
    CMoreDetailsDlg dialog(m_project.Details(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_project.Details() = dialog.Details();
    ShowOtherDetails();
}

void CMainDlg::ShowOtherDetails()
{
    m_pOtherDetails->setText(Q(OtherDetailsSummary(m_project.Details())));
}

void CMainDlg::LayoutControls(int clientWidth, int clientHeight)
{
    for (const sControlRule& rule : m_rules) {
        const sLayoutRect r =
            ApplyResizeRule(rule.initial, rule.rules, m_nInitialWidth, m_nInitialHeight, clientWidth, clientHeight);
        // The control learns its new size first (the list fits its columns).
        CAboutToResizeEvent notice(r.width, r.height);
        QApplication::sendEvent(rule.widget, &notice);
        rule.widget->setGeometry(r.x, r.y, r.width, r.height);
    }
}

bool CMainDlg::eventFilter(QObject* watched, QEvent* event)
{
    // Only a real change of size moves controls: showing the window leaves
    // the template layout and the columns' initial widths alone.
    if (watched == m_client && event->type() == QEvent::Resize && m_client->size() != m_laidOut) {
        m_laidOut = m_client->size();
        LayoutControls(m_laidOut.width(), m_laidOut.height());
    }
    return QDialog::eventFilter(watched, event);
}

void CMainDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_bCentred)
        return;
    m_bCentred = true;
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    // The first control that can take the focus gets it.
    for (int id : {1025, 1000}) {
        QWidget* widget = Control(id);
        if (widget->isEnabled()) {
            widget->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

QAction* CMainDlg::Command(int id) const
{
    const auto it = m_commands.find(id);
    return it == m_commands.end() ? nullptr : it->second;
}

QWidget* CMainDlg::Control(int id) const { return m_client->findChild<QWidget*>(IdName(id), Qt::FindDirectChildrenOnly); }

QLineEdit* CMainDlg::DetailField(int id) const { return qobject_cast<QLineEdit*>(Control(id)); }

void CMainDlg::EnableStart()
{
    m_pStart->setEnabled(m_project.CanStart());
    m_commands[ID_START_CONVERSION]->setEnabled(m_project.CanStart());
    m_commands[ID_EDIT_CHAPTERS]->setEnabled(m_project.CanStart());
}

void CMainDlg::reject() { done(MAIN_DIALOG_END_CODE); }

void CMainDlg::OnAbout()
{
    CAboutDlg about(QApplication::activeWindow() ? QApplication::activeWindow() : this);
    about.exec();
}

void CMainDlg::OnSplitChapters()
{
    CSplitChaptersDlg dialog(m_project.ChapterSplit(), this);
    if (dialog.exec() == QDialog::Accepted)
        m_project.SetChapterSplit(dialog.Choice());
}

void CMainDlg::OnNew() { m_project.New(); }

void CMainDlg::OnEditChapters()
{
    if (!m_project.CanStart())
        return;
    std::optional<CChapterEditorDlg> editor;
    {
        const CWaitCursor wait;  // the files' headers are read for the starts
        editor.emplace(m_project, ReadEncodingChoice(m_settingsFile), this);
    }
    editor->exec();
}

void CMainDlg::OnChapterSource(int command)
{
    m_project.SetChapterSource(command == ID_CHAPTERS_FILENAME ? CHAPTERS_FROM_FILENAME : CHAPTERS_FROM_TAG);
}

void CMainDlg::OnDropFiles(const QStringList& paths)
{
    activateWindow();
    const CWaitCursor wait;
    m_project.SetSheetEncoding(ConfiguredSheetEncoding(m_settingsFile));
    m_project.Drop(U16(paths));
}

void CMainDlg::OnConvertEachFolder()
{
    QWidget* owner = QApplication::activeWindow() ? QApplication::activeWindow() : this;
    const QString root = UserDialogs().GetExistingFolder(owner);
    if (root.isEmpty())
        return;
    sLibrarySettings settings{m_project.ChapterSource(), ConfiguredSheetEncoding(m_settingsFile), m_settingsFile,
                              m_readTags};
    ConvertEachFolder(owner, root.toStdU16String(), settings, m_pool);
}

void CMainDlg::OnAddFiles()
{
    const QStringList chosen = UserDialogs().GetOpenFileNames(
        QApplication::activeWindow() ? QApplication::activeWindow() : this,
        QStringList{FileFilter("Audio Files", AudioExtensions()),
                    FileFilter("Image Files", {"bmp", "jpg", "jpeg", "gif", "png"}), kAllFiles}
            .join(QStringLiteral(";;")));
    if (chosen.isEmpty())
        return;
    m_project.SetSheetEncoding(ConfiguredSheetEncoding(m_settingsFile));
    m_project.AddFiles(U16(chosen));
}

void CMainDlg::OnBrowseCover()
{
    const QString path = UserDialogs().GetOpenFileName(
        QApplication::activeWindow() ? QApplication::activeWindow() : this,
        QStringList{FileFilter("Image Files", {"bmp", "jpg", "jpeg", "gif", "png"}),
                    FileFilter("Bitmap Files", {"bmp"}), FileFilter("JPEG Files", {"jpg", "jpeg"}),
                    FileFilter("PNG Files", {"png"}),
                    FileFilter("GIF Files", {"gif"}), kAllFiles}
            .join(QStringLiteral(";;")));
    if (!path.isEmpty())
        m_project.SetCoverPath(path.toStdU16String());
}

void CMainDlg::RefreshCover()
{
    const std::u16string path = m_project.Cover().GetCoverPath();
    m_picture->SetImage(path.empty() ? QString() : Q(path));
}

void CMainDlg::OnRowsCleared()
{
    m_list->DeleteAllRows();
    m_list->viewport()->repaint();
    EnableStart();
}

void CMainDlg::OnDetailsChanged()
{
    for (const sDetailRow& row : DETAIL_ROWS) {
        if (row.InMainWindow())
            DetailField(row.m_nControlId)->setText(Q(m_project.Details()[row.m_detail]));
    }
    ShowOtherDetails();
    repaint();
}

void CMainDlg::OnRowAdded(size_t row, size_t numberInBatch)
{
    const sItem& item = *m_project.Rows()[row];
    m_list->AddRow(Q(item.GetText()), Q(item.GetColumnText(1, m_project.ChapterSource())));
    EnableStart();
    // The tags of a long batch take a while: show every tenth row at once.
    if (numberInBatch % kRepaintEveryRows == 0)
        m_list->viewport()->repaint();
}

void CMainDlg::OnBatchAdded()
{
    m_list->SettleLayout();
    m_list->ResizeColumns(m_list->ClientWidth(), m_list->viewport()->height());
}

void CMainDlg::OnRowsDeleted(const std::vector<size_t>& rowsDescending)
{
    for (size_t row : rowsDescending)
        m_list->DeleteRow(static_cast<int>(row));
    EnableStart();
}

void CMainDlg::OnCoverChanged()
{
    m_cbCover->Mirror();
    RefreshCover();
}

void CMainDlg::OnChapterSourceChanged()
{
    const bool fromFileName = m_project.ChapterSource() == CHAPTERS_FROM_FILENAME;
    m_commands[fromFileName ? ID_CHAPTERS_FILENAME : ID_CHAPTERS_TAG]->setChecked(true);
    for (size_t i = 0; i < m_project.Rows().size(); ++i)
        m_list->SetChapterText(static_cast<int>(i), Q(m_project.RowText(i, 1)));
}

void CMainDlg::OnRowChanged(size_t row)
{
    m_list->SetChapterText(static_cast<int>(row), Q(m_project.RowText(row, 1)));
}

void CMainDlg::OnChapterProblems()
{
    ShowChapterProblems(QApplication::activeWindow() ? QApplication::activeWindow() : this);
}

void CMainDlg::ShowChapterProblems(QWidget* owner)
{
    QStringList lines;
    for (const std::u16string& problem : m_project.ChapterProblems())
        lines << Q(problem);
    const bool stopped = !lines.isEmpty();
    for (const std::u16string& notice : m_project.ChapterNotices())
        lines << Q(notice);
    if (!stopped) {
        UserDialogs().ShowInformation(owner, QStringLiteral("Tavlin"), lines.join(u'\n'));
        return;
    }
    lines << QStringLiteral("Nothing is converted: mend the sheet and add its files again.");
    UserDialogs().ShowError(owner, QStringLiteral("Tavlin"), lines.join(u'\n'));
}

bool CMainDlg::ConfirmCover(QWidget* owner)
{
    if (!m_project.CoverTooLarge())
        return true;
    std::u16string quoted = m_project.Cover().GetCoverPath();
    quoted.insert(quoted.begin(), u'"');
    quoted.push_back(u'"');
    const QString tooLarge = Q(CoverTooLargeText(quoted));
    return UserDialogs().AskYesNo(owner, QStringLiteral("Tavlin"),
                                  tooLarge + QStringLiteral(".\nDo you want to convert the book without a cover?"));
}

std::u16string CMainDlg::ChooseOutputPath(QWidget* owner)
{
    const QString chosen =
        UserDialogs().GetSaveFileName(owner, Q(m_project.SaveFolder()), Q(m_project.OfferedFileName()),
                                      FileFilter("m4b Files", {"m4b"}), QStringLiteral("m4b"));
    if (chosen.isEmpty())
        return {};
    // The dialog leaves names with a "." (such as "Vol. 2") without the
    // suffix, and its overwrite prompt was about the name without it.
    const std::u16string output = WithBookSuffix(chosen.toStdU16String());
    const QString shown = Q(output);
    if (m_project.OutputClash(output) != eOutputClash::None) {
        UserDialogs().ShowError(
            owner, QStringLiteral("Tavlin"),
            QStringLiteral("The output file \"%1\" is one of the input files. Choose another name.").arg(shown));
        return {};
    }
    if (output != chosen.toStdU16String() && QFileInfo::exists(shown) &&
        !UserDialogs().AskYesNo(owner, QStringLiteral("Tavlin"),
                                QStringLiteral("\"%1\" already exists.\nDo you want to replace it?").arg(shown)))
        return {};
    m_project.NoteSavedTo(output);
    return output;
}

void CMainDlg::StartConversion()
{
    if (!m_project.CanStart())
        return;
    QWidget* owner = QApplication::activeWindow() ? QApplication::activeWindow() : this;
    if (!m_project.ChapterProblems().empty()) {
        ShowChapterProblems(owner);
        return;
    }
    if (!ConfirmCover(owner))
        return;
    const std::u16string outputPath = ChooseOutputPath(owner);
    if (outputPath.empty())
        return;

    int result = PROGRESS_FAILED;
    QStringList told;  // what the user should know about the finished book
    {
        std::unique_ptr<CConverter> job;
        {
            const CWaitCursor wait;
            sConversionContext context =
                m_project.BuildConversion(outputPath, ReadEncodingChoice(m_settingsFile));
            context.m_pPool = &m_pool;
            job = std::make_unique<CConverter>(std::move(context));
        }
        CProgressDlg progress(*job, owner);
        result = progress.exec();
        if (result == PROGRESS_COMPLETED) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            for (const sLeftOutChapter& chapter : job->Outcome().m_leftOutChapters)
                told << Q(LeftOutChapterText(chapter)) + u'.';
            for (const std::u16string& warning : job->Outcome().m_warnings)
                told << QStringLiteral("Warning: %1").arg(Q(warning));
        }
    }  // the progress dialog, then the job
    if (result != PROGRESS_COMPLETED)
        return;
    QApplication::restoreOverrideCursor();

    // The chapters the book could not hold and what the files warned about
    // are told with the result.
    const QString what = told.isEmpty() ? QString() : told.join(u'\n') + QStringLiteral("\n\n");
    const QString question = QStringLiteral("Conversion completed.\nDo you want to open AudioBook in your player?");
    if (UserDialogs().AskYesNo(this, QStringLiteral("Tavlin"), what + question))
        UserDialogs().OpenWithDefaultApplication(Q(outputPath));
    m_project.ConversionCompleted();
}

void CMainDlg::dragEnterEvent(QDragEnterEvent* event)
{
    if (!LocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainDlg::dragMoveEvent(QDragMoveEvent* event)
{
    if (!LocalPaths(event->mimeData()).isEmpty())
        event->acceptProposedAction();
}

void CMainDlg::dropEvent(QDropEvent* event)
{
    const QStringList paths = LocalPaths(event->mimeData());
    if (paths.isEmpty())
        return;
    // The file manager waits until the drop event returns: the files and
    // their tags are read afterwards.
    event->acceptProposedAction();
    QTimer::singleShot(0, this, [this, paths] { OnDropFiles(paths); });
}
