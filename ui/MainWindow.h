#pragma once

#include "extract/ExtractionRun.h"
#include "extract/ExtractionSettings.h"
#include "extract/RunHost.h"
#include "metadata/KnownTags.h"
#include "ui/MessageBoxes.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QBoxLayout;
class QDragEnterEvent;
class QDropEvent;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;
class QUrl;
class TagSource;

// The main window: shows the settings for editing, starts the extraction and hosts it while it
// runs. It saves the settings, the ticks and the separator choice as they stand, and its own size
// and place, once, when it is closed by whichever way (Exit, Escape, close box).
class MainWindow : public QDialog, public RunHost {
    Q_OBJECT
public:
    // Seams for the choosers and for what the desktop opens (the help pages, the written file and
    // its folder); tests put their own in place of the desktop's. A chooser yields nothing when
    // the user cancels; the opener calls `notOpened`, at once or later, when nothing could open
    // the address.
    using FolderChooser = std::function<std::optional<QString>(QWidget* parent, const QString& startFolder)>;
    using FileChooser = std::function<std::optional<QString>(QWidget* parent, const QString& currentFile)>;
    using Opener = std::function<void(const QUrl& address, const std::function<void()>& notOpened)>;
    // The tags that can be added as columns (by default, as the reader program lists them), and
    // the choice of one of them (by default, the Add tag dialog); nothing when the user cancels.
    using TagLister = std::function<KnownTagList()>;
    using TagChooser = std::function<std::optional<std::string>(QWidget* parent, const KnownTagList& known)>;

    // `tags` reads the photos of every run; it must outlive the window.
    MainWindow(ExtractionSettings settings, TagSource& tags, QWidget* parent = nullptr);
    ~MainWindow() override;

    const ExtractionSettings& Settings() const { return m_settings; }
    MessageBoxes& Messages() { return m_messages; }
    bool IsRunning() const { return m_running; }

    void SetFolderChooser(FolderChooser chooser) { m_chooseFolder = std::move(chooser); }
    void SetOutputFileChooser(FileChooser chooser) { m_chooseOutputFile = std::move(chooser); }
    void SetDesktopOpener(Opener opener) { m_openOnDesktop = std::move(opener); }
    void SetTagLister(TagLister lister);
    void SetTagChooser(TagChooser chooser) { m_chooseTag = std::move(chooser); }
    // Folders searched in order for the help index; the first that holds it wins.
    void SetHelpFolders(QStringList folders) { m_helpFolders = std::move(folders); }

    // The command line's arguments after the program's name: the first that is no option names
    // the folder to scan, or a photo in it.
    void OpenArguments(const QStringList& arguments);

    // What the controls show now: a column's tick, and the chosen entry of the separator list
    // (-1 when the text matches none).
    bool IsColumnTicked(int column) const;
    int SeparatorPosition() const;

    // RunHost: what an extraction run asks of the window.
    void SetProgressRange(std::int64_t photoCount) override;
    void SetProgressPosition(std::int64_t photosDone) override;
    void SetRunning(bool running, const std::string& statusText) override;
    Answer ShowMessage(const Message& message) override;
    void KeepAlive() override;
    bool AbortRequested() const override { return m_abortRequested; }
    void ClearAbortRequest() override;

public slots:
    void OnExtract();  // Extract, also Enter
    void OnExit();     // Exit, also Escape and the close box
    void OnAbort();
    void OnBrowseFolder();
    void OnBrowseOutputFile();
    void OnSetup();
    void OnSubFoldersClicked();
    void OnHelp();
    void OnAbout();
    void OnTickAll();
    void OnTickNone();
    void OnAddTag();
    void OnRemoveTag();
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The controls and their layout, made stage by stage down the window.
    void BuildControls();
    void BuildChooseBox();
    void BuildSelectBox();
    QBoxLayout* BuildTickRow();  // Add tag, Remove tag, All, None
    QBoxLayout* BuildSeparatorRow();
    QBoxLayout* BuildCommandColumn();  // Extract, Setup, Help
    QBoxLayout* BuildRunRow();         // the hint, and the run's status, progress and Abort
    void InstallEventFilters();
    void ConnectControls();
    void BuildActions();
    void FillColumnList();
    // A row after the columns for an added tag, headed by its key.
    void AddTagRow(const std::string& key, bool ticked);
    // Puts each added tag's label beside its key, once the tags are known.
    void ShowTagLabels();
    const KnownTagList& KnownTags();
    void UpdateRemoveTag();
    void TickEveryColumn(bool ticked);
    // Puts the folder of `path` into the folder box: `path` itself when it is a folder, else the
    // folder that holds it. False when the path is empty.
    bool ShowFolderOf(const QString& path);
    // The first existing local file or folder a drag carries; empty when it carries none, or
    // while a run goes on.
    QString DroppedPath(const QDropEvent& event) const;
    // Offers the file a run has written on the desktop, as the user chose in its ending message.
    void OpenWritten(const QString& file, int action);
    // The ticks of the column list as the settings keep them, built-in columns and added tags.
    std::string TickedFlags() const;
    void SelectSeparatorPosition(int position);
    // Copies what the user has entered into the settings / shows the settings again.
    void TakeControlValues();
    void ShowSettings();
    // Closes now, or, while a run is going, stops it and closes when it has ended. True when
    // the window has closed.
    bool RequestClose();
    void Finish();
    // What a run started now is to do: the settings as the controls show them.
    RunRequest TakeRunRequest();
    QString HelpIndexPath() const;

    ExtractionSettings m_settings;
    TagSource& m_tags;
    MessageBoxes m_messages;

    // The separator box's text, taken from it and shown in it like the settings; stored as
    // SeparatorText when a run reaches the photos and when the window closes, like SeparatorNum.
    std::string m_separatorText;

    bool m_running = false;
    bool m_abortRequested = false;
    bool m_closeWhenRunEnds = false;
    bool m_waitCursorShown = false;
    QElapsedTimer m_sinceEventsProcessed;

    FolderChooser m_chooseFolder;
    FileChooser m_chooseOutputFile;
    Opener m_openOnDesktop;
    QStringList m_helpFolders;
    TagLister m_listTags;
    TagChooser m_chooseTag;
    std::optional<KnownTagList> m_knownTags;  // listed when first needed
    std::vector<std::string> m_extraTags;     // the added tags, in the list's order after the columns

    QGroupBox* m_chooseBox = nullptr;
    QGroupBox* m_selectBox = nullptr;
    QLineEdit* m_folderEdit = nullptr;
    QPushButton* m_browseFolderButton = nullptr;
    QCheckBox* m_subFoldersCheck = nullptr;
    QLineEdit* m_outputEdit = nullptr;
    QPushButton* m_browseOutputButton = nullptr;
    QCheckBox* m_mapFileCheck = nullptr;
    QListWidget* m_columnList = nullptr;
    QPushButton* m_addTagButton = nullptr;
    QPushButton* m_removeTagButton = nullptr;
    QPushButton* m_tickAllButton = nullptr;
    QPushButton* m_tickNoneButton = nullptr;
    QCheckBox* m_headingsCheck = nullptr;
    QCheckBox* m_fullPathCheck = nullptr;
    QComboBox* m_separatorCombo = nullptr;
    QPushButton* m_extractButton = nullptr;
    QPushButton* m_setupButton = nullptr;
    QPushButton* m_exitButton = nullptr;
    QLineEdit* m_statusEdit = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QPushButton* m_abortButton = nullptr;
    QPushButton* m_helpButton = nullptr;
    QAction* m_aboutAction = nullptr;
    QAction* m_helpAction = nullptr;
    QAction* m_tickAllAction = nullptr;
    QAction* m_tickNoneAction = nullptr;
};
