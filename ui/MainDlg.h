#pragma once
// The main window: the file list, the book details, the cover field and
// picture, the menu and the "Start Conversion" command. It shows a
// CBookProject and forwards the user's actions to it; the rules are the
// project's.
#include <QDialog>
#include <QStringList>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "engine/ThreadPool.h"
#include "project/BookProject.h"
#include "ui/DialogLayout.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class CListFiles;
class C_ComboBox;
class CPictureBoxCtrl;

// Command ids of the menu, the accelerators and the buttons.
enum eCommand : int {
    ID_CANCEL = 2,
    ID_START_CONVERSION = 1025,
    ID_BROWSE_COVER = 1016,
    ID_FILE_NEW = 57600,
    ID_FILE_ADD = 57601,
    ID_FILE_CONVERT_EACH = 57602,
    ID_APP_ABOUT = 57664,
    ID_CHAPTERS_FILENAME = 32775,
    ID_CHAPTERS_TAG = 32777,
    ID_EDIT_CHAPTERS = 32779,
    ID_SPLIT_CHAPTERS = 32780,
};

// The window's end code: every way out ends it with this.
constexpr int MAIN_DIALOG_END_CODE = 2;

class CMainDlg : public QDialog, private IBookProjectView {
public:
    static constexpr const char* kCaption = "Tavlin - iPod AudioBook Converter";

    // `readTags` reads the tags of each added file (MediaInfo by default).
    explicit CMainDlg(TagReader readTags = {}, QWidget* parent = nullptr);
    ~CMainDlg() override;

    // A drop of these files and folders, as from the desktop.
    void OnDropFiles(const QStringList& paths);
    // The commands of the menu and buttons.
    void OnAddFiles();
    // File › Convert Each Folder: every book folder under a chosen folder.
    void OnConvertEachFolder();
    void OnNew();
    void OnAbout();
    void OnBrowseCover();
    void OnChapterSource(int command);
    // Chapters > Edit Chapters: the chapter dialog, modal.
    void OnEditChapters();
    // Opens the dialog of the details without a field here; OK stores them.
    void OnMoreDetails();
    // Chapters > Split Long Chapters: the split dialog's choice goes to the project.
    void OnSplitChapters();
    void StartConversion();
    // Shows the current cover choice in the picture.
    void RefreshCover();

    // Where the settings (bit rate, sheet encoding) are read from: Tavlin.ini
    // beside the program unless a test names another file.
    void SetSettingsFile(std::filesystem::path file) { m_settingsFile = std::move(file); }

    const CBookProject& Project() const { return m_project; }
    CBookProject& Project() { return m_project; }
    const std::u16string& BookName() const { return m_project.BookName(); }
    CListFiles& List() { return *m_list; }
    C_ComboBox& Cover() { return *m_cbCover; }
    CPictureBoxCtrl& Picture() { return *m_picture; }
    QAction* Command(int id) const;
    QLineEdit* DetailField(int id) const;
    // The control with id `id` (its object name).
    QWidget* Control(int id) const;

    // Client size the controls' initial positions belong to.
    QSize InitialClientSize() const { return QSize(m_nInitialWidth, m_nInitialHeight); }

    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct sControlRule {
        QWidget* widget;
        sLayoutRect initial;
        int rules;
    };

    void CreateMenu();
    void CreateControls();
    void SetTabOrder();
    void CreateMoreDetails();
    void ShowOtherDetails();
    void LayoutControls(int clientWidth, int clientHeight);
    void EnableStart();
    // False when the cover cannot go into the book and the user would
    // rather not convert without it.
    bool ConfirmCover(QWidget* owner);
    // Names every chapter sheet problem and notice of the list: as an error
    // while there is a problem, else as a message.
    void ShowChapterProblems(QWidget* owner);
    // Asks for the file to write; empty when cancelled or refused.
    std::u16string ChooseOutputPath(QWidget* owner);

    // The project's changes, shown.
    void OnRowsCleared() override;
    void OnDetailsChanged() override;
    void OnRowAdded(size_t row, size_t numberInBatch) override;
    void OnBatchAdded() override;
    void OnRowsDeleted(const std::vector<size_t>& rowsDescending) override;
    void OnCoverChanged() override;
    void OnChapterSourceChanged() override;
    void OnRowChanged(size_t row) override;
    void OnChapterProblems() override;

    TagReader m_readTags;  // also for the books of Convert Each Folder
    CBookProject m_project;
    std::filesystem::path m_settingsFile;
    // The conversions' units run here, one at a time per processor.
    CThreadPool m_pool;
    QMenuBar* m_menu = nullptr;
    QWidget* m_client = nullptr;
    CListFiles* m_list = nullptr;
    C_ComboBox* m_cbCover = nullptr;
    CPictureBoxCtrl* m_picture = nullptr;
    QPushButton* m_pStart = nullptr;
    QLabel* m_pOtherDetails = nullptr;  // which details without a field here are set
    std::map<int, QAction*> m_commands;
    std::vector<sControlRule> m_rules;
    int m_nInitialWidth = 0;
    int m_nInitialHeight = 0;
    QSize m_laidOut;  // client size the controls are placed for
    bool m_bCentred = false;
};
