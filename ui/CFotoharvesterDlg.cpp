#include "ui/CFotoharvesterDlg.h"

#include "settings/SettingsStore.h"
#include "extract/ColumnCatalogue.h"
#include "extract/ExtractionRun.h"
#include "extract/RecordComposer.h"
#include "ui/AppInfo.h"
#include "ui/CAboutDlg.h"
#include "ui/CSetup.h"
#include "ui/HelpPages.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QUrl>

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 keepAliveIntervalMs = 5;

std::optional<QString> ChooseFolderOnDesktop(QWidget* parent, const QString& currentFolder)
{
    const QString chosen = QFileDialog::getExistingDirectory(parent, QString(), currentFolder);
    if (chosen.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(chosen);
}

std::optional<QString> ChooseOutputFileOnDesktop(QWidget* parent, const QString& currentFile)
{
    QFileDialog dialog(parent, QStringLiteral("Enter a filename"), QString(),
                       QStringLiteral("Comma separated values (*.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    // Start where the last output went, but offer no name: the user is choosing a new one.
    const QFileInfo current(currentFile);
    if (!currentFile.isEmpty() && current.absoluteDir().exists())
        dialog.setDirectory(current.absoluteDir());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst());
}

QMessageBox::Icon BoxIcon(Message::Icon icon)
{
    switch (icon) {
    case Message::Icon::Information:
        return QMessageBox::Information;
    case Message::Icon::Question:
        return QMessageBox::Question;
    case Message::Icon::Warning:
        break;
    }
    return QMessageBox::Warning;
}

QString FromNarrow(const std::string& text)
{
    return QString::fromStdString(text);
}

}  // namespace

CFotoharvesterDlg::CFotoharvesterDlg(ExtractionSettings settings, TagSource& tags, QWidget* parent)
    : QDialog(parent),
      m_settings(std::move(settings)),
      m_tags(tags),
      m_chooseFolder(ChooseFolderOnDesktop),
      m_chooseOutputFile(ChooseOutputFileOnDesktop),
      m_openHelp([](const QUrl& page) { return QDesktopServices::openUrl(page); }),
      m_helpFolders(DefaultHelpFolders())
{
    setObjectName(QStringLiteral("dialog102"));
    setWindowTitle(MainWindowTitle());
    setWindowIcon(ApplicationIcon());
    // A main window of its own: no "?" button, but a place in the task bar and a close box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    BuildControls();
    FillColumnList();
    Exchange(Direction::ToControls);
    SelectSeparatorPosition(m_settings.SeparatorNum);
}

CFotoharvesterDlg::~CFotoharvesterDlg()
{
    if (m_waitCursorShown)
        QApplication::restoreOverrideCursor();
}

void CFotoharvesterDlg::BuildControls()
{
    const QFontMetrics metrics = fontMetrics();
    const int charWidth = metrics.averageCharWidth();

    // Choose files
    auto* chooseBox = m_chooseBox = new QGroupBox(QStringLiteral("Choose files"), this);
    auto* folderLabel = new QLabel(QStringLiteral("Folder to scan:"), chooseBox);
    m_folderEdit = new QLineEdit(chooseBox);
    m_folderEdit->setObjectName(QStringLiteral("edit1000"));
    m_folderEdit->setMinimumWidth(charWidth * 40);
    folderLabel->setBuddy(m_folderEdit);
    m_browseFolderButton = new QPushButton(QStringLiteral("..."), chooseBox);
    m_browseFolderButton->setObjectName(QStringLiteral("button1019"));
    m_browseFolderButton->setToolTip(QStringLiteral("Choose the folder to scan"));
    m_subFoldersCheck = new QCheckBox(QStringLiteral("Include photos in sub-folders"), chooseBox);
    m_subFoldersCheck->setObjectName(QStringLiteral("check1029"));
    auto* outFileLabel = new QLabel(QStringLiteral("Output filename :"), chooseBox);
    m_outFileEdit = new QLineEdit(chooseBox);
    m_outFileEdit->setObjectName(QStringLiteral("edit1001"));
    outFileLabel->setBuddy(m_outFileEdit);
    m_browseOutputButton = new QPushButton(QStringLiteral("..."), chooseBox);
    m_browseOutputButton->setObjectName(QStringLiteral("button1020"));
    m_browseOutputButton->setToolTip(QStringLiteral("Choose the output file"));
    m_mapFileCheck = new QCheckBox(QStringLiteral("Also write a map file (GeoJSON)"), chooseBox);
    m_mapFileCheck->setObjectName(QStringLiteral("check1032"));
    m_mapFileCheck->setToolTip(QStringLiteral("Writes the positions of the photos that have one beside the output file, "
                                              "with the extension .geojson, for map programs such as QGIS"));
    for (QPushButton* browse : {m_browseFolderButton, m_browseOutputButton}) {
        browse->setAutoDefault(false);
        browse->setFixedWidth(std::max(m_folderEdit->sizeHint().height() + 4,
                                       metrics.horizontalAdvance(QStringLiteral("...")) + 3 * charWidth));
    }

    const int labelWidth = std::max(folderLabel->sizeHint().width(), outFileLabel->sizeHint().width());
    auto* chooseGrid = new QGridLayout(chooseBox);
    chooseGrid->setColumnMinimumWidth(0, labelWidth);
    chooseGrid->addWidget(folderLabel, 0, 0);
    chooseGrid->addWidget(m_folderEdit, 0, 1);
    chooseGrid->addWidget(m_browseFolderButton, 0, 2);
    chooseGrid->addWidget(m_subFoldersCheck, 1, 1);
    chooseGrid->addWidget(outFileLabel, 2, 0);
    chooseGrid->addWidget(m_outFileEdit, 2, 1);
    chooseGrid->addWidget(m_browseOutputButton, 2, 2);
    chooseGrid->addWidget(m_mapFileCheck, 3, 1);
    chooseGrid->setColumnStretch(1, 1);

    // Select data
    auto* selectBox = m_selectBox = new QGroupBox(QStringLiteral("Select data"), this);
    m_columnList = new QListWidget(selectBox);
    m_columnList->setObjectName(QStringLiteral("list1003"));
    m_columnList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_columnList->setUniformItemSizes(true);
    m_columnList->setMinimumHeight(metrics.lineSpacing() * 10);
    m_commentLineCheck = new QCheckBox(QStringLiteral("Add column headings"), selectBox);
    m_commentLineCheck->setObjectName(QStringLiteral("check1025"));
    m_fullPathCheck = new QCheckBox(QStringLiteral("Use full file path in file names"), selectBox);
    m_fullPathCheck->setObjectName(QStringLiteral("check1026"));
    auto* separatorLabel = new QLabel(QStringLiteral("Separator character:"), selectBox);
    m_separatorCombo = new QComboBox(selectBox);
    m_separatorCombo->setObjectName(QStringLiteral("combo1027"));
    m_separatorCombo->setEditable(true);
    // The typed text is the user's own separator: it must neither join the list nor be completed.
    m_separatorCombo->setInsertPolicy(QComboBox::NoInsert);
    m_separatorCombo->setCompleter(nullptr);
    for (std::string_view entry : SeparatorListEntries())
        m_separatorCombo->addItem(QString::fromUtf8(entry.data(), static_cast<qsizetype>(entry.size())));
    m_separatorCombo->setMinimumContentsLength(14);
    separatorLabel->setBuddy(m_separatorCombo);

    auto* separatorRow = new QHBoxLayout;
    separatorRow->addWidget(separatorLabel);
    separatorRow->addWidget(m_separatorCombo);
    separatorRow->addStretch(1);

    auto* selectGrid = new QGridLayout(selectBox);
    // Lines up the list with the edit boxes above it. The grid leaves out the spacing after a
    // column that holds nothing, so it is counted in here.
    selectGrid->setColumnMinimumWidth(0, labelWidth + chooseGrid->horizontalSpacing());
    selectGrid->addWidget(m_columnList, 0, 1);
    selectGrid->addWidget(m_commentLineCheck, 1, 1);
    selectGrid->addWidget(m_fullPathCheck, 2, 1);
    selectGrid->addLayout(separatorRow, 3, 1);
    selectGrid->setColumnStretch(1, 1);
    selectGrid->setRowStretch(0, 1);

    // Buttons on the right
    m_extractButton = new QPushButton(QStringLiteral("Extract"), this);
    m_extractButton->setObjectName(QStringLiteral("button1"));
    m_extractButton->setDefault(true);
    m_extractButton->setMinimumHeight(m_extractButton->sizeHint().height() * 3 / 2);
    m_setupButton = new QPushButton(QStringLiteral("Setup"), this);
    m_setupButton->setObjectName(QStringLiteral("button1005"));
    m_exitButton = new QPushButton(QStringLiteral("Exit"), this);
    m_exitButton->setObjectName(QStringLiteral("button2"));

    MatchButtonWidths({m_extractButton, m_setupButton, m_exitButton});

    auto* commandColumn = new QVBoxLayout;
    commandColumn->addWidget(m_extractButton);
    commandColumn->addWidget(m_setupButton);
    commandColumn->addStretch(1);

    // Run state
    m_statusEdit = new QLineEdit(this);
    m_statusEdit->setObjectName(QStringLiteral("edit1024"));
    m_statusEdit->setReadOnly(true);
    m_statusEdit->setFrame(false);
    m_statusEdit->setFocusPolicy(Qt::NoFocus);
    QPalette statusPalette = m_statusEdit->palette();
    statusPalette.setColor(QPalette::Base, statusPalette.color(QPalette::Window));
    m_statusEdit->setPalette(statusPalette);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("progress1023"));
    m_progress->setTextVisible(false);
    m_abortButton = new QPushButton(QStringLiteral("Abort"), this);
    m_abortButton->setObjectName(QStringLiteral("button1031"));
    m_abortButton->setAutoDefault(false);
    // Hidden while idle, but keeping their place, so that the window does not jump at each run.
    for (QWidget* runControl : {static_cast<QWidget*>(m_progress), static_cast<QWidget*>(m_abortButton)}) {
        QSizePolicy policy = runControl->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        runControl->setSizePolicy(policy);
        runControl->hide();
    }
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(m_progress, 1);
    progressRow->addWidget(m_abortButton);

    auto* helpLabel = new QLabel(QStringLiteral("Press F1 for help."), this);

    auto* layout = new QGridLayout(this);
    layout->addWidget(chooseBox, 0, 0, 1, 2);
    layout->addWidget(selectBox, 1, 0);
    layout->addLayout(commandColumn, 1, 1);
    layout->addWidget(m_statusEdit, 2, 0);
    layout->addLayout(progressRow, 3, 0);
    layout->addWidget(helpLabel, 4, 0);
    layout->addWidget(m_exitButton, 4, 1);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(0, 1);

    // The order of the original form, which users of the keyboard are used to.
    const QWidget* const order[] = {m_folderEdit,     m_browseFolderButton, m_outFileEdit,   m_browseOutputButton,
                                    m_columnList,     m_commentLineCheck,   m_fullPathCheck, m_separatorCombo,
                                    m_extractButton,  m_exitButton,         m_setupButton,   m_subFoldersCheck,
                                    m_mapFileCheck,   m_abortButton};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(const_cast<QWidget*>(order[i - 1]), const_cast<QWidget*>(order[i]));

    // No system menu to extend on every desktop: the window's own context menu carries About.
    m_helpAction = new QAction(QStringLiteral("&Help"), this);
    m_helpAction->setObjectName(QStringLiteral("actionHelp"));
    m_helpAction->setShortcut(QKeySequence(Qt::Key_F1));
    m_helpAction->setShortcutContext(Qt::WindowShortcut);
    m_aboutAction = new QAction(QStringLiteral("&About Fotoharvester..."), this);
    m_aboutAction->setObjectName(QStringLiteral("actionAbout"));
    addAction(m_helpAction);
    addAction(m_aboutAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(m_extractButton, &QPushButton::clicked, this, &CFotoharvesterDlg::OnOK);
    connect(m_exitButton, &QPushButton::clicked, this, &CFotoharvesterDlg::OnCancel);
    connect(m_abortButton, &QPushButton::clicked, this, &CFotoharvesterDlg::OnAbort);
    connect(m_browseFolderButton, &QPushButton::clicked, this, &CFotoharvesterDlg::OnBrowseFolder);
    connect(m_browseOutputButton, &QPushButton::clicked, this, &CFotoharvesterDlg::OnBrowseOutputFile);
    connect(m_setupButton, &QPushButton::clicked, this, &CFotoharvesterDlg::OnSetup);
    connect(m_subFoldersCheck, &QCheckBox::clicked, this, &CFotoharvesterDlg::OnSubFoldersClicked);
    connect(m_helpAction, &QAction::triggered, this, &CFotoharvesterDlg::OnHelp);
    connect(m_aboutAction, &QAction::triggered, this, &CFotoharvesterDlg::OnAbout);
}

void CFotoharvesterDlg::FillColumnList()
{
    const auto& catalogue = ColumnCatalogue();
    for (int column = 0; column < ColumnCount; ++column) {
        const std::string_view heading = catalogue[column].heading;
        auto* item = new QListWidgetItem(QString::fromUtf8(heading.data(), static_cast<qsizetype>(heading.size())));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(m_settings.IsColumnTicked(column) ? Qt::Checked : Qt::Unchecked);
        m_columnList->addItem(item);
    }
}

void CFotoharvesterDlg::SelectSeparatorPosition(int position)
{
    // A stored position that names no entry shows none, and an empty separator text.
    const bool known = position >= 0 && position < m_separatorCombo->count();
    m_separatorCombo->setCurrentIndex(known ? position : -1);
    if (!known)
        m_separatorCombo->setEditText(QString());
}

void CFotoharvesterDlg::Exchange(Direction direction)
{
    const bool toSettings = direction == Direction::ToSettings;
    const auto text = [toSettings](QLineEdit* edit, std::string& value) {
        if (toSettings)
            value = edit->text().toStdString();
        else
            edit->setText(FromNarrow(value));
    };
    const auto check = [toSettings](QCheckBox* box, std::int32_t& value) {
        if (toSettings)
            value = box->isChecked() ? 1 : 0;
        else
            box->setChecked(value != 0);
    };

    text(m_folderEdit, m_settings.Folder);
    text(m_outFileEdit, m_settings.OutFile);
    check(m_commentLineCheck, m_settings.CommentLine);
    text(m_statusEdit, m_statusText);
    check(m_fullPathCheck, m_settings.FullFilePath);
    if (toSettings)
        m_separatorText = m_separatorCombo->currentText().toStdString();
    else
        m_separatorCombo->setEditText(FromNarrow(m_separatorText));
    check(m_subFoldersCheck, m_settings.SubFolders);
    check(m_mapFileCheck, m_settings.MapFile);
}

void CFotoharvesterDlg::TakeControlValues()
{
    Exchange(Direction::ToSettings);
}

void CFotoharvesterDlg::ShowSettings()
{
    Exchange(Direction::ToControls);
}

std::string CFotoharvesterDlg::SeparatorText() const
{
    return m_separatorText;
}

bool CFotoharvesterDlg::IsColumnTicked(int column) const
{
    const QListWidgetItem* item = m_columnList->item(column);
    return item != nullptr && item->checkState() == Qt::Checked;
}

int CFotoharvesterDlg::SeparatorPosition() const
{
    // A text the user typed over an entry is no longer that entry.
    return m_separatorCombo->findText(m_separatorCombo->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void CFotoharvesterDlg::SetProgressRange(std::int64_t photoCount)
{
    const auto maximum = static_cast<int>(std::clamp<std::int64_t>(photoCount, 0, std::numeric_limits<int>::max()));
    m_progress->setRange(0, maximum);
    m_progress->setValue(0);
}

void CFotoharvesterDlg::SetProgressPosition(std::int64_t photosDone)
{
    m_progress->setValue(static_cast<int>(std::clamp<std::int64_t>(photosDone, 0, m_progress->maximum())));
}

void CFotoharvesterDlg::SetRunning(bool running, const std::string& statusText)
{
    m_statusText = statusText;
    m_statusEdit->setText(FromNarrow(statusText));
    m_progress->setVisible(running);
    m_abortButton->setVisible(running);
    // The run works on the settings it was started with: nothing that would change them may be
    // touched until it ends. Abort and Exit stay live.
    m_setupButton->setEnabled(!running);
    m_extractButton->setEnabled(!running);
    m_chooseBox->setEnabled(!running);
    m_selectBox->setEnabled(!running);
    if (running && !m_waitCursorShown) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_waitCursorShown = true;
    } else if (!running && m_waitCursorShown) {
        QApplication::restoreOverrideCursor();
        m_waitCursorShown = false;
    }
}

Answer CFotoharvesterDlg::ShowMessage(const Message& message)
{
    const bool question = message.buttons == Message::Buttons::YesNo;
    QStringList details;
    for (const std::string& line : message.details)
        details << FromNarrow(line);
    const QMessageBox::StandardButton answer =
        m_messages.Show(this, BoxIcon(message.icon), FromNarrow(message.text),
                        question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                        question ? QMessageBox::Yes : QMessageBox::Ok, details.join(QLatin1Char('\n')));
    if (!question)
        return Answer::Ok;
    return answer == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void CFotoharvesterDlg::KeepAlive()
{
    // Called for every photo, thousands of times a second; a few milliseconds between two looks
    // at the queue keep the window as responsive as looking every time, for a fraction of the cost.
    if (m_sinceEventsProcessed.isValid() && m_sinceEventsProcessed.elapsed() < keepAliveIntervalMs)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_sinceEventsProcessed.start();
}

void CFotoharvesterDlg::ClearAbortRequest()
{
    // A close asked for while the run was still preparing must still stop it.
    m_abortRequested = m_closeWhenRunEnds;
}

void CFotoharvesterDlg::OnOK()
{
    if (m_running)
        return;  // Enter on a button of its own while a run goes on
    {
        m_running = true;
        const auto runEnded = qScopeGuard([this] { m_running = false; });
        const RunRequest request = TakeRunRequest();
        ExtractionRun run(request, *this, m_tags);
        const RunResult result = run.Execute();
        // A refusal leaves the controls as they were; only the folder may have gained its separator.
        m_settings.Folder = run.Settings().Folder;
        if (result.ReachedThePhotos()) {
            m_settings.Flags = request.settings.Flags;
            m_settings.SeparatorNum = request.settings.SeparatorNum;
            ShowSettings();
        }
    }
    if (m_closeWhenRunEnds) {
        m_closeWhenRunEnds = false;
        Finish();
    }
}

RunRequest CFotoharvesterDlg::TakeRunRequest()
{
    TakeControlValues();
    RunRequest request;
    request.settings = m_settings;
    ColumnSelection ticked;
    for (int column = 0; column < ColumnCount; ++column)
        ticked[column] = IsColumnTicked(column);
    request.settings.Flags = FlagsFromSelection(ticked);
    request.settings.SeparatorNum = SeparatorPosition();
    request.separator = SeparatorFromText(m_separatorText);
    if (m_settings.MapFile != 0)
        request.mapPath = MapPathFor(OutputPathFor(m_settings.OutFile));
    return request;
}

void CFotoharvesterDlg::OnCancel()
{
    RequestClose();
}

void CFotoharvesterDlg::reject()
{
    RequestClose();
}

void CFotoharvesterDlg::closeEvent(QCloseEvent* event)
{
    // Already closed (and saved): a close sent to the hidden window, e.g. as the program quits.
    if (!isVisible()) {
        event->accept();
        return;
    }
    if (RequestClose())
        event->accept();
    else
        event->ignore();
}

bool CFotoharvesterDlg::RequestClose()
{
    if (m_running) {
        // Stops like Abort: the photo in progress is finished and the file closed, then the
        // window closes from OnOK.
        m_abortRequested = true;
        m_closeWhenRunEnds = true;
        return false;
    }
    Finish();
    return true;
}

void CFotoharvesterDlg::Finish()
{
    TakeControlValues();
    SaveSettings(m_settings);
    QDialog::done(QDialog::Accepted);
}

void CFotoharvesterDlg::OnAbort()
{
    m_abortRequested = true;
}

void CFotoharvesterDlg::OnBrowseFolder()
{
    TakeControlValues();
    if (const auto chosen = m_chooseFolder(this, FromNarrow(m_settings.Folder)))
        m_settings.Folder = chosen->toStdString();
    ShowSettings();
}

void CFotoharvesterDlg::OnBrowseOutputFile()
{
    // Taken first, like the folder's chooser: what was typed elsewhere must survive the exchange.
    TakeControlValues();
    if (const auto chosen = m_chooseOutputFile(this, FromNarrow(m_settings.OutFile)))
        m_settings.OutFile = chosen->toStdString();
    ShowSettings();
}

void CFotoharvesterDlg::OnSetup()
{
    CSetup setup(this);
    setup.SetValues(m_settings.MonthNames, m_settings.DateFormat, m_settings.SubSeconds, m_settings.Spreadsheet);
    setup.SetFormats(m_settings.Formats);
    if (setup.exec() != QDialog::Accepted)
        return;
    m_settings.Formats = setup.GetFormats();
    m_settings.MonthNames = setup.GetMonthNames();
    m_settings.DateFormat = setup.GetDateFormat();
    m_settings.SubSeconds = setup.GetSubSeconds();
    m_settings.Spreadsheet = setup.GetSpreadsheet();
}

void CFotoharvesterDlg::OnSubFoldersClicked()
{
    TakeControlValues();
}

QString CFotoharvesterDlg::HelpIndexPath() const
{
    return FindHelpIndex(m_helpFolders);
}

void CFotoharvesterDlg::OnHelp()
{
    const QString index = HelpIndexPath();
    if (index.isEmpty()) {
        QStringList places;
        for (const QString& folder : m_helpFolders)
            places << QDir::toNativeSeparators(QDir::cleanPath(QDir(folder).absolutePath()));
        m_messages.Show(this, QMessageBox::Information,
                        QStringLiteral("The help pages were not found. They are looked for in:\n%1")
                            .arg(places.join(QLatin1Char('\n'))));
        return;
    }
    if (!m_openHelp(QUrl::fromLocalFile(index)))
        m_messages.Show(this, QMessageBox::Information,
                        QStringLiteral("The help pages could not be opened. You can open %1 in a web browser.")
                            .arg(QDir::toNativeSeparators(index)));
}

void CFotoharvesterDlg::OnAbout()
{
    CAboutDlg about(this);
    about.exec();
}
