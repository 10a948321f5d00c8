#include "ui/MainWindow.h"

#include "settings/SettingsStore.h"
#include "extract/ColumnCatalogue.h"
#include "extract/ExtractionRun.h"
#include "extract/RecordComposer.h"
#include "ui/AboutDialog.h"
#include "ui/AppInfo.h"
#include "ui/DesktopOpener.h"
#include "ui/HelpPages.h"
#include "ui/SetupDialog.h"
#include "ui/TagDialog.h"
#include "metadata/ReaderPool.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <limits>

namespace {

constexpr qint64 keepAliveIntervalMs = 5;
// Rows of the column list at the window's first size: most of the columns without scrolling.
constexpr int columnRowsShown = 21;

// What the ending message of a run offers to do with the file it wrote, in the order of its buttons.
enum WrittenFileAction { OpenFile, ShowInFolder };

// The column list, as tall as columnRowsShown rows when the window takes its natural size; it
// shrinks and grows with the window.
class ColumnList : public QListWidget {
public:
    using QListWidget::QListWidget;

    QSize sizeHint() const override
    {
        const int rowHeight = std::max(sizeHintForRow(0), fontMetrics().height());
        return {QListWidget::sizeHint().width(), rowHeight * columnRowsShown + 2 * frameWidth()};
    }
};

std::optional<QString> ChooseFolderOnDesktop(QWidget* parent, const QString& startFolder)
{
    // A typed folder that does not exist (yet) opens the chooser at the nearest one that does.
    QString start = startFolder;
    while (!start.isEmpty() && !QFileInfo(start).isDir() && QFileInfo(start).path() != start)
        start = QFileInfo(start).path();
    const QString chosen = QFileDialog::getExistingDirectory(parent, QString(), start);
    if (chosen.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(chosen);
}

std::optional<QString> ChooseOutputFileOnDesktop(QWidget* parent, const QString& currentFile)
{
    const QString text = MainWindow::tr("Text (*.csv *.txt)");
    const QString spreadsheet = MainWindow::tr("Spreadsheet (*.xlsx)");
    QFileDialog dialog(parent, MainWindow::tr("Enter a filename"), QString(),
                       text + QStringLiteral(";;") + spreadsheet);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // A name typed without an extension gets the chosen type's; the run decides by the extension.
    const auto suffixFor = [&dialog, spreadsheet](const QString& filter) {
        dialog.setDefaultSuffix(filter == spreadsheet ? QStringLiteral("xlsx") : QStringLiteral("csv"));
    };
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, suffixFor);
    const QFileInfo current(currentFile);
    const QString chosenType =
        current.suffix().compare(QStringLiteral("xlsx"), Qt::CaseInsensitive) == 0 ? spreadsheet : text;
    dialog.selectNameFilter(chosenType);
    suffixFor(chosenType);
    // Start where the last output went, but offer no name: the user is choosing a new one.
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

// A text of the core's tables in the user's language. The tables keep the English, which the files
// and the batch command use, and mark each text with the context it is translated under.
QString Translated(const char* context, std::string_view english)
{
    return QCoreApplication::translate(context, std::string(english).c_str());
}

// The message's text in the user's language: each sentence looked up as the table holds it, before
// its placeholders are filled, so that a path or a count never stops it being found.
std::string ShownText(const Message& message)
{
    if (message.parts.empty())
        return message.text;
    std::string text;
    for (std::size_t part = 0; part < message.parts.size(); ++part) {
        const MessagePart& shown = message.parts[part];
        if (part > 0)
            text += shown.sameLine ? ' ' : '\n';
        text += FillPlaceholders(Translated("Messages", shown.pattern).toStdString(), shown.arguments);
    }
    return text;
}

// The message's text with each path it names kept whole, as MessageBoxes::PathShown keeps one.
QString WithPathsShown(const Message& message)
{
    QStringList paths;
    for (const std::string& argument : message.arguments)
        if (argument.find_first_of("/\\") != std::string::npos)
            paths << FromNarrow(argument);
    // The longest first: a folder's path may be part of a file's.
    std::sort(paths.begin(), paths.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    QString text = FromNarrow(ShownText(message));
    for (const QString& path : paths)
        text.replace(path, MessageBoxes::PathShown(path));
    return text;
}

// The separator text as the settings and the run take it: an entry of the list in English,
// whatever language the list shows it in, since its first character is the separator and the
// settings outlive a change of language; a typed text as typed.
std::string StoredSeparatorText(int position, const std::string& shown)
{
    const auto& entries = SeparatorListEntries();
    const bool entry = position >= 0 && static_cast<std::size_t>(position) < entries.size();
    return entry ? std::string(entries[static_cast<std::size_t>(position)]) : shown;
}

// A path typed with a leading "~" as a shell reads it: the user's home folder. "~name" (another
// user's home) is left as typed.
std::string WithHomeExpanded(const QString& typed)
{
    const bool home = typed == QLatin1String("~") || typed.startsWith(QLatin1String("~/")) ||
                      (QDir::separator() == QLatin1Char('\\') && typed.startsWith(QLatin1String("~\\")));
    return (home ? QDir::toNativeSeparators(QDir::homePath()) + typed.mid(1) : typed).toStdString();
}

}  // namespace

MainWindow::MainWindow(ExtractionSettings settings, TagSource& tags, QWidget* parent)
    : QDialog(parent),
      m_settings(std::move(settings)),
      m_tags(tags),
      m_chooseFolder(ChooseFolderOnDesktop),
      m_chooseOutputFile(ChooseOutputFileOnDesktop),
      m_openOnDesktop([desktop = new DesktopOpener(this)](const QUrl& address, const std::function<void()>& notOpened) {
          desktop->Open(address, notOpened);
      }),
      m_helpFolders(DefaultHelpFolders())
{
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(MainWindowTitle());
    setWindowIcon(ApplicationIcon());
    // A main window of its own: no "?" button, but a place in the task bar, a close box, and the
    // boxes to minimise it or let the column list have the whole screen.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);

    BuildControls();
    BuildActions();
    FillColumnList();
    ShowSettings();
    SelectSeparatorPosition(m_settings.SeparatorNum);
    if (!restoreGeometry(LoadWindowGeometry())) {
        // The natural size, which Qt would cap at two thirds of the screen: at large font sizes
        // the column list needs more of it.
        resize(sizeHint().boundedTo(screen()->availableGeometry().size() * 0.9));
    }
}

MainWindow::~MainWindow()
{
    if (m_waitCursorShown)
        QApplication::restoreOverrideCursor();
}

void MainWindow::BuildControls()
{
    // The controls are made in the order Tab visits them: down the form, then the buttons.
    BuildChooseBox();
    BuildSelectBox();
    QBoxLayout* commandColumn = BuildCommandColumn();
    QBoxLayout* runRow = BuildRunRow();
    m_exitButton = new QPushButton(tr("E&xit"), this);
    m_exitButton->setObjectName(QStringLiteral("exitButton"));
    MatchButtonWidths({m_extractButton, m_setupButton, m_helpButton, m_exitButton});

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_chooseBox, 0, 0, 1, 2);
    layout->addWidget(m_selectBox, 1, 0);
    layout->addLayout(commandColumn, 1, 1);
    layout->addLayout(runRow, 2, 0);
    layout->addWidget(m_exitButton, 2, 1);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(0, 1);

    InstallEventFilters();
    ConnectControls();
}

void MainWindow::BuildChooseBox()
{
    const QFontMetrics metrics = fontMetrics();
    const int charWidth = metrics.averageCharWidth();
    auto* chooseBox = m_chooseBox = new QGroupBox(tr("Choose files"), this);
    auto* folderLabel = new QLabel(tr("&Folder to scan:"), chooseBox);
    m_folderEdit = new QLineEdit(chooseBox);
    m_folderEdit->setObjectName(QStringLiteral("folderEdit"));
    m_folderEdit->setMinimumWidth(charWidth * 40);
    folderLabel->setBuddy(m_folderEdit);
    m_browseFolderButton = new QPushButton(QStringLiteral("..."), chooseBox);
    m_browseFolderButton->setObjectName(QStringLiteral("browseFolderButton"));
    m_browseFolderButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_browseFolderButton->setAccessibleName(tr("Choose the folder to scan"));
    m_subFoldersCheck = new QCheckBox(tr("Include photos in s&ub-folders"), chooseBox);
    m_subFoldersCheck->setObjectName(QStringLiteral("subFoldersCheck"));
    auto* outFileLabel = new QLabel(tr("&Output filename :"), chooseBox);
    m_outputEdit = new QLineEdit(chooseBox);
    m_outputEdit->setObjectName(QStringLiteral("outputEdit"));
    outFileLabel->setBuddy(m_outputEdit);
    m_browseOutputButton = new QPushButton(QStringLiteral("..."), chooseBox);
    m_browseOutputButton->setObjectName(QStringLiteral("browseOutputButton"));
    m_browseOutputButton->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_browseOutputButton->setAccessibleName(tr("Choose the output file"));
    m_mapFileCheck = new QCheckBox(tr("Also write a &map file (GeoJSON)"), chooseBox);
    m_mapFileCheck->setObjectName(QStringLiteral("mapFileCheck"));
    m_mapFileCheck->setToolTip(tr("Writes the positions of the photos that have one beside the output file, "
                                  "with the extension .geojson, for map programs such as QGIS"));
    for (QPushButton* browse : {m_browseFolderButton, m_browseOutputButton}) {
        browse->setAutoDefault(false);
        browse->setToolTip(QStringLiteral("%1 (%2)").arg(browse->accessibleName(),
                                                         browse->shortcut().toString(QKeySequence::NativeText)));
        browse->setFixedWidth(std::max(m_folderEdit->sizeHint().height() + 4,
                                       metrics.horizontalAdvance(QStringLiteral("...")) + 3 * charWidth));
    }

    auto* chooseGrid = new QGridLayout(chooseBox);
    chooseGrid->addWidget(folderLabel, 0, 0);
    chooseGrid->addWidget(m_folderEdit, 0, 1);
    chooseGrid->addWidget(m_browseFolderButton, 0, 2);
    chooseGrid->addWidget(m_subFoldersCheck, 1, 1);
    chooseGrid->addWidget(outFileLabel, 2, 0);
    chooseGrid->addWidget(m_outputEdit, 2, 1);
    chooseGrid->addWidget(m_browseOutputButton, 2, 2);
    chooseGrid->addWidget(m_mapFileCheck, 3, 1);
    chooseGrid->setColumnStretch(1, 1);
}

void MainWindow::BuildSelectBox()
{
    // The list takes the box's whole width and every pixel the window gains.
    auto* selectBox = m_selectBox = new QGroupBox(tr("Select &data"), this);
    m_columnList = new ColumnList(selectBox);
    m_columnList->setObjectName(QStringLiteral("columnList"));
    m_columnList->setAccessibleName(tr("Data to write"));
    m_columnList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_columnList->setUniformItemSizes(true);
    m_columnList->setMinimumHeight(fontMetrics().lineSpacing() * 8);
    QBoxLayout* tickRow = BuildTickRow();
    m_headingsCheck = new QCheckBox(tr("Add &column headings"), selectBox);
    m_headingsCheck->setObjectName(QStringLiteral("headingsCheck"));
    m_fullPathCheck = new QCheckBox(tr("Use full file &path in file names"), selectBox);
    m_fullPathCheck->setObjectName(QStringLiteral("fullPathCheck"));
    QBoxLayout* separatorRow = BuildSeparatorRow();

    // The buttons that change the list stand right under it.
    auto* selectGrid = new QGridLayout(selectBox);
    selectGrid->addWidget(m_columnList, 0, 0, 1, 2);
    selectGrid->addLayout(tickRow, 1, 0, 1, 2);
    selectGrid->addWidget(m_headingsCheck, 2, 0, 1, 2);
    selectGrid->addWidget(m_fullPathCheck, 3, 0, 1, 2);
    selectGrid->addLayout(separatorRow, 4, 0, 1, 2);
    selectGrid->setColumnStretch(1, 1);
    selectGrid->setRowStretch(0, 1);
}

QBoxLayout* MainWindow::BuildTickRow()
{
    m_addTagButton = new QPushButton(tr("Add ta&g…"), m_selectBox);
    m_addTagButton->setObjectName(QStringLiteral("addTagButton"));
    m_addTagButton->setToolTip(tr("Add any tag the photos may hold as a column of its own"));
    m_removeTagButton = new QPushButton(tr("&Remove tag"), m_selectBox);
    m_removeTagButton->setObjectName(QStringLiteral("removeTagButton"));
    m_removeTagButton->setToolTip(tr("Remove the added tag chosen in the list"));
    m_removeTagButton->setEnabled(false);
    m_tickAllButton = new QPushButton(tr("&All"), m_selectBox);
    m_tickAllButton->setObjectName(QStringLiteral("tickAllButton"));
    m_tickAllButton->setToolTip(tr("Tick every column (Ctrl+A in the list)"));
    m_tickNoneButton = new QPushButton(tr("&None"), m_selectBox);
    m_tickNoneButton->setObjectName(QStringLiteral("tickNoneButton"));
    m_tickNoneButton->setToolTip(tr("Untick every column (Ctrl+Shift+A in the list)"));
    for (QPushButton* button : {m_addTagButton, m_removeTagButton, m_tickAllButton, m_tickNoneButton})
        button->setAutoDefault(false);
    MatchButtonWidths({m_tickAllButton, m_tickNoneButton});

    auto* tickRow = new QHBoxLayout;
    tickRow->addWidget(m_addTagButton);
    tickRow->addWidget(m_removeTagButton);
    tickRow->addStretch(1);
    tickRow->addWidget(m_tickAllButton);
    tickRow->addWidget(m_tickNoneButton);
    return tickRow;
}

QBoxLayout* MainWindow::BuildSeparatorRow()
{
    auto* separatorLabel = new QLabel(tr("&Separator character:"), m_selectBox);
    m_separatorCombo = new QComboBox(m_selectBox);
    m_separatorCombo->setObjectName(QStringLiteral("separatorCombo"));
    m_separatorCombo->setEditable(true);
    // The typed text is the user's own separator: it must neither join the list nor be completed.
    m_separatorCombo->setInsertPolicy(QComboBox::NoInsert);
    m_separatorCombo->setCompleter(nullptr);
    for (std::string_view entry : SeparatorListEntries())
        m_separatorCombo->addItem(Translated("Separators", entry));
    m_separatorCombo->setMinimumContentsLength(14);
    separatorLabel->setBuddy(m_separatorCombo);

    auto* separatorRow = new QHBoxLayout;
    separatorRow->addWidget(separatorLabel);
    separatorRow->addWidget(m_separatorCombo);
    separatorRow->addStretch(1);
    return separatorRow;
}

QBoxLayout* MainWindow::BuildCommandColumn()
{
    m_extractButton = new QPushButton(tr("&Extract"), this);
    m_extractButton->setObjectName(QStringLiteral("extractButton"));
    m_extractButton->setDefault(true);
    m_extractButton->setMinimumHeight(m_extractButton->sizeHint().height() * 3 / 2);
    m_setupButton = new QPushButton(tr("Se&tup"), this);
    m_setupButton->setObjectName(QStringLiteral("setupButton"));
    m_helpButton = new QPushButton(tr("&Help"), this);
    m_helpButton->setObjectName(QStringLiteral("helpButton"));
    m_helpButton->setAutoDefault(false);

    auto* commandColumn = new QVBoxLayout;
    commandColumn->addWidget(m_extractButton);
    commandColumn->addWidget(m_setupButton);
    commandColumn->addWidget(m_helpButton);
    commandColumn->addStretch(1);
    return commandColumn;
}

QBoxLayout* MainWindow::BuildRunRow()
{
    // Run state, on the bottom line beside the hint, so that no band stays empty while idle.
    auto* helpLabel = new QLabel(tr("Press F1 for help."), this);
    m_statusEdit = new QLineEdit(this);
    m_statusEdit->setObjectName(QStringLiteral("statusEdit"));
    m_statusEdit->setAccessibleName(tr("Status"));
    m_statusEdit->setReadOnly(true);
    m_statusEdit->setFrame(false);
    m_statusEdit->setFocusPolicy(Qt::NoFocus);
    const QFontMetrics metrics = fontMetrics();
    m_statusEdit->setMinimumWidth(
        metrics.horizontalAdvance(Translated("Messages", MessageText(MessageId::Extracting))) +
        2 * metrics.averageCharWidth());
    QPalette statusPalette = m_statusEdit->palette();
    statusPalette.setColor(QPalette::Base, statusPalette.color(QPalette::Window));
    m_statusEdit->setPalette(statusPalette);
    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setAccessibleName(tr("Photos done"));
    // The count says more than a percentage: how far a run of 20,000 photos has got, and that it
    // is moving at all.
    m_progressBar->setFormat(tr("%v of %m photos"));
    m_progressBar->setMinimumWidth(
        metrics.horizontalAdvance(QString(m_progressBar->format())
                                      .replace(QLatin1String("%v"), QLatin1String("88888"))
                                      .replace(QLatin1String("%m"), QLatin1String("88888"))) +
        5 * metrics.averageCharWidth());
    m_abortButton = new QPushButton(tr("A&bort"), this);
    m_abortButton->setObjectName(QStringLiteral("abortButton"));
    m_abortButton->setAutoDefault(false);
    // Hidden while idle, but keeping their place, so that the window does not jump at each run.
    for (QWidget* runControl : {static_cast<QWidget*>(m_progressBar), static_cast<QWidget*>(m_abortButton)}) {
        QSizePolicy policy = runControl->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        runControl->setSizePolicy(policy);
        runControl->hide();
    }

    auto* runRow = new QHBoxLayout;
    runRow->addWidget(helpLabel);
    runRow->addWidget(m_statusEdit, 1);
    runRow->addWidget(m_progressBar, 2);
    runRow->addWidget(m_abortButton);
    return runRow;
}

void MainWindow::InstallEventFilters()
{
    // A folder or a photo dropped anywhere on the window names the folder to scan; over a text
    // box too, where its address would otherwise be typed.
    setAcceptDrops(true);
    for (QWidget* textBox : {static_cast<QWidget*>(m_folderEdit), static_cast<QWidget*>(m_outputEdit),
                             static_cast<QWidget*>(m_separatorCombo->lineEdit())})
        textBox->installEventFilter(this);
    // The select box's letter is sent to the box itself, which would pass the focus on to
    // whichever of its controls had it last.
    m_selectBox->installEventFilter(this);
}

void MainWindow::ConnectControls()
{
    connect(m_extractButton, &QPushButton::clicked, this, &MainWindow::OnExtract);
    connect(m_exitButton, &QPushButton::clicked, this, &MainWindow::OnExit);
    connect(m_abortButton, &QPushButton::clicked, this, &MainWindow::OnAbort);
    connect(m_browseFolderButton, &QPushButton::clicked, this, &MainWindow::OnBrowseFolder);
    connect(m_browseOutputButton, &QPushButton::clicked, this, &MainWindow::OnBrowseOutputFile);
    connect(m_setupButton, &QPushButton::clicked, this, &MainWindow::OnSetup);
    connect(m_subFoldersCheck, &QCheckBox::clicked, this, &MainWindow::OnSubFoldersClicked);
    connect(m_addTagButton, &QPushButton::clicked, this, &MainWindow::OnAddTag);
    connect(m_removeTagButton, &QPushButton::clicked, this, &MainWindow::OnRemoveTag);
    connect(m_columnList, &QListWidget::currentRowChanged, this, &MainWindow::UpdateRemoveTag);
    connect(m_tickAllButton, &QPushButton::clicked, this, &MainWindow::OnTickAll);
    connect(m_tickNoneButton, &QPushButton::clicked, this, &MainWindow::OnTickNone);
}

void MainWindow::BuildActions()
{
    // Help and About behind a button of their own, and in the window's right-click menu.
    m_helpAction = new QAction(tr("&Help"), this);
    m_helpAction->setObjectName(QStringLiteral("helpAction"));
    m_helpAction->setShortcut(QKeySequence(Qt::Key_F1));
    m_helpAction->setShortcutContext(Qt::WindowShortcut);
    m_aboutAction = new QAction(tr("&About Fotoharvester..."), this);
    m_aboutAction->setObjectName(QStringLiteral("aboutAction"));
    addAction(m_helpAction);
    addAction(m_aboutAction);
    setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* helpMenu = new QMenu(m_helpButton);
    helpMenu->addAction(m_helpAction);
    helpMenu->addAction(m_aboutAction);
    m_helpButton->setMenu(helpMenu);

    // The list's own keys and right-click menu tick or untick every column at once.
    m_tickAllAction = new QAction(tr("Tick &all"), m_columnList);
    m_tickAllAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
    m_tickNoneAction = new QAction(tr("Tick &none"), m_columnList);
    m_tickNoneAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
    for (QAction* action : {m_tickAllAction, m_tickNoneAction}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        m_columnList->addAction(action);
    }
    m_columnList->setContextMenuPolicy(Qt::ActionsContextMenu);

    connect(m_helpAction, &QAction::triggered, this, &MainWindow::OnHelp);
    connect(m_aboutAction, &QAction::triggered, this, &MainWindow::OnAbout);
    connect(m_tickAllAction, &QAction::triggered, this, &MainWindow::OnTickAll);
    connect(m_tickNoneAction, &QAction::triggered, this, &MainWindow::OnTickNone);
}

void MainWindow::FillColumnList()
{
    const auto& catalogue = ColumnCatalogue();
    for (const Column& column : catalogue) {
        // The heading line of a file keeps the English; the list speaks the user's language.
        auto* item = new QListWidgetItem(Translated("Columns", column.heading));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        item->setCheckState(m_settings.IsColumnTicked(m_columnList->count()) ? Qt::Checked : Qt::Unchecked);
        m_columnList->addItem(item);
    }
    for (const std::string& key : m_settings.ExtraTagKeys())
        AddTagRow(key, m_settings.IsColumnTicked(m_columnList->count()));
    // The labels of the added tags come from the reader program, asked once the window is up
    // rather than before it shows.
    if (!m_extraTags.empty())
        QTimer::singleShot(0, this, [this] {
            KnownTags();
            ShowTagLabels();
        });
}

void MainWindow::AddTagRow(const std::string& key, bool ticked)
{
    m_extraTags.push_back(key);
    auto* item = new QListWidgetItem(FromNarrow(key));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
    m_columnList->addItem(item);
    ShowTagLabels();
}

void MainWindow::ShowTagLabels()
{
    if (!m_knownTags)
        return;
    // The key is the column's heading; the label beside it says what it is.
    for (std::size_t tag = 0; tag < m_extraTags.size(); ++tag) {
        QListWidgetItem* item = m_columnList->item(ColumnCount() + static_cast<int>(tag));
        const KnownTag* known = m_knownTags->Find(m_extraTags[tag]);
        if (item == nullptr || known == nullptr)
            continue;
        item->setText(known->label.empty() ? FromNarrow(known->key)
                                           : tr("%1 (%2)").arg(FromNarrow(known->key), FromNarrow(known->label)));
        item->setToolTip(FromNarrow(known->description));
    }
}

void MainWindow::SetTagLister(TagLister lister)
{
    m_listTags = std::move(lister);
    m_knownTags.reset();
}

const KnownTagList& MainWindow::KnownTags()
{
    if (!m_knownTags)
        m_knownTags = m_listTags ? m_listTags() : ListKnownTags(ReaderPool::DefaultOptions().program);
    return *m_knownTags;
}

void MainWindow::OnAddTag()
{
    const KnownTagList& known = KnownTags();
    const std::optional<std::string> key =
        m_chooseTag ? m_chooseTag(this, known) : [&]() -> std::optional<std::string> {
        TagDialog dialog(known, this);
        return dialog.exec() == QDialog::Accepted ? std::optional<std::string>(dialog.Key()) : std::nullopt;
    }();
    if (!key || !IsTagKey(*key))
        return;
    // A tag added twice is the one already there, ticked and shown.
    const auto present = std::find(m_extraTags.begin(), m_extraTags.end(), *key);
    const int row = ColumnCount() + static_cast<int>(present - m_extraTags.begin());
    if (present == m_extraTags.end())
        AddTagRow(*key, true);
    m_columnList->item(row)->setCheckState(Qt::Checked);
    m_columnList->setCurrentRow(row);
    m_columnList->scrollToItem(m_columnList->item(row));
}

void MainWindow::OnRemoveTag()
{
    const int row = m_columnList->currentRow();
    if (row < ColumnCount())
        return;
    m_extraTags.erase(m_extraTags.begin() + (row - ColumnCount()));
    delete m_columnList->takeItem(row);
    UpdateRemoveTag();
}

void MainWindow::UpdateRemoveTag()
{
    m_removeTagButton->setEnabled(m_columnList->currentRow() >= ColumnCount());
}

void MainWindow::TickEveryColumn(bool ticked)
{
    for (int column = 0; column < m_columnList->count(); ++column)
        m_columnList->item(column)->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
}

void MainWindow::OnTickAll()
{
    TickEveryColumn(true);
}

void MainWindow::OnTickNone()
{
    TickEveryColumn(false);
}

void MainWindow::SelectSeparatorPosition(int position)
{
    // A stored position that names no entry shows none, and the separator typed last time.
    const bool known = position >= 0 && position < m_separatorCombo->count();
    m_separatorCombo->setCurrentIndex(known ? position : -1);
    if (!known)
        m_separatorCombo->setEditText(FromNarrow(m_settings.SeparatorText));
    m_separatorText = m_separatorCombo->currentText().toStdString();
}

void MainWindow::TakeControlValues()
{
    m_settings.Folder = WithHomeExpanded(m_folderEdit->text());
    m_settings.OutFile = WithHomeExpanded(m_outputEdit->text());
    m_settings.CommentLine = m_headingsCheck->isChecked() ? 1 : 0;
    m_settings.FullFilePath = m_fullPathCheck->isChecked() ? 1 : 0;
    m_separatorText = m_separatorCombo->currentText().toStdString();
    m_settings.SubFolders = m_subFoldersCheck->isChecked() ? 1 : 0;
    m_settings.MapFile = m_mapFileCheck->isChecked() ? 1 : 0;
}

void MainWindow::ShowSettings()
{
    m_folderEdit->setText(FromNarrow(m_settings.Folder));
    m_outputEdit->setText(FromNarrow(m_settings.OutFile));
    m_headingsCheck->setChecked(m_settings.CommentLine != 0);
    m_fullPathCheck->setChecked(m_settings.FullFilePath != 0);
    m_separatorCombo->setEditText(FromNarrow(m_separatorText));
    m_subFoldersCheck->setChecked(m_settings.SubFolders != 0);
    m_mapFileCheck->setChecked(m_settings.MapFile != 0);
}

bool MainWindow::IsColumnTicked(int column) const
{
    const QListWidgetItem* item = m_columnList->item(column);
    return item != nullptr && item->checkState() == Qt::Checked;
}

std::string MainWindow::TickedFlags() const
{
    std::string flags;
    for (int row = 0; row < m_columnList->count(); ++row)
        flags += IsColumnTicked(row) ? '1' : '0';
    return flags;
}

int MainWindow::SeparatorPosition() const
{
    // A text the user typed over an entry is no longer that entry.
    return m_separatorCombo->findText(m_separatorCombo->currentText(), Qt::MatchExactly | Qt::MatchCaseSensitive);
}

void MainWindow::SetProgressRange(std::int64_t photoCount)
{
    const auto maximum = static_cast<int>(std::clamp<std::int64_t>(photoCount, 0, std::numeric_limits<int>::max()));
    m_progressBar->setRange(0, maximum);
    m_progressBar->setValue(0);
}

void MainWindow::SetProgressPosition(std::int64_t photosDone)
{
    m_progressBar->setValue(static_cast<int>(std::clamp<std::int64_t>(photosDone, 0, m_progressBar->maximum())));
}

void MainWindow::SetRunning(bool running, const std::string& statusText)
{
    // The status is a text of the message table, or nothing.
    m_statusEdit->setText(statusText.empty() ? QString() : Translated("Messages", statusText));
    m_progressBar->setVisible(running);
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

Answer MainWindow::ShowMessage(const Message& message)
{
    // A run stopped by closing the window ends unannounced, and keeps any earlier file: the user
    // has already left.
    if (m_closeWhenRunEnds) {
        if (message.id == MessageId::KeepStoppedRecords)
            return Answer::No;
        if (message.id == MessageId::Stopped || message.id == MessageId::StoppedBeforeReading)
            return Answer::Ok;
    }
    const bool question = message.buttons == Message::Buttons::YesNo;
    QStringList details;
    for (const std::string& line : message.details)
        details << FromNarrow(line);
    QStringList actions;
    if (!message.writtenFile.empty())
        actions << tr("&Open file") << tr("&Show in folder");
    const MessageBoxes::Answer answer = m_messages.Ask(this, BoxIcon(message.icon), WithPathsShown(message),
                                                       question ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok,
                                                       !question             ? QMessageBox::Ok
                                                       : message.noByDefault ? QMessageBox::No
                                                                             : QMessageBox::Yes,
                                                       details.join(QLatin1Char('\n')), actions);
    if (answer.action >= 0)
        OpenWritten(FromNarrow(message.writtenFile), answer.action);
    if (!question)
        return Answer::Ok;
    return answer.button == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void MainWindow::OpenWritten(const QString& file, int action)
{
    const QFileInfo written(file);
    const QString target = action == OpenFile ? written.absoluteFilePath() : written.absolutePath();
    m_openOnDesktop(QUrl::fromLocalFile(target), [this, target] {
        m_messages.Show(this, QMessageBox::Information,
                        tr("No program on this computer could open %1.")
                            .arg(MessageBoxes::PathShown(QDir::toNativeSeparators(target))));
    });
}

void MainWindow::KeepAlive()
{
    // Called for every photo, thousands of times a second; a few milliseconds between two looks
    // at the queue keep the window as responsive as looking every time, for a fraction of the cost.
    if (m_sinceEventsProcessed.isValid() && m_sinceEventsProcessed.elapsed() < keepAliveIntervalMs)
        return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    m_sinceEventsProcessed.start();
}

void MainWindow::ClearAbortRequest()
{
    // A close asked for while the run was still preparing must still stop it.
    m_abortRequested = m_closeWhenRunEnds;
}

void MainWindow::OnExtract()
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
            m_settings.ExtraTags = request.settings.ExtraTags;
            m_settings.SeparatorNum = request.settings.SeparatorNum;
            m_settings.SeparatorText = request.settings.SeparatorText;
            ShowSettings();
        }
    }
    if (m_closeWhenRunEnds) {
        m_closeWhenRunEnds = false;
        Finish();
    }
}

RunRequest MainWindow::TakeRunRequest()
{
    TakeControlValues();
    RunRequest request;
    request.settings = m_settings;
    request.settings.Flags = TickedFlags();
    request.settings.ExtraTags = JoinTagKeys(m_extraTags);
    request.settings.SeparatorNum = SeparatorPosition();
    request.settings.SeparatorText = StoredSeparatorText(request.settings.SeparatorNum, m_separatorText);
    request.separator = SeparatorFromText(request.settings.SeparatorText);
    if (m_settings.MapFile != 0)
        request.mapPath = MapPathFor(OutputPathFor(m_settings.OutFile));
    return request;
}

void MainWindow::OnExit()
{
    RequestClose();
}

void MainWindow::reject()
{
    RequestClose();
}

void MainWindow::closeEvent(QCloseEvent* event)
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

bool MainWindow::RequestClose()
{
    if (m_running) {
        // Stops like Abort: the photo in progress is finished and the file closed, then the
        // window closes from OnExtract.
        m_abortRequested = true;
        m_closeWhenRunEnds = true;
        return false;
    }
    Finish();
    return true;
}

void MainWindow::Finish()
{
    TakeControlValues();
    // The ticks and the separator choice are kept as the user left them, run or no run.
    m_settings.Flags = TickedFlags();
    m_settings.ExtraTags = JoinTagKeys(m_extraTags);
    m_settings.SeparatorNum = SeparatorPosition();
    m_settings.SeparatorText = StoredSeparatorText(m_settings.SeparatorNum, m_separatorText);
    SaveSettings(m_settings);
    // A window never shown has no size of the user's to keep.
    if (isVisible())
        SaveWindowGeometry(saveGeometry());
    QDialog::done(QDialog::Accepted);
}

void MainWindow::OnAbort()
{
    m_abortRequested = true;
}

void MainWindow::OnBrowseFolder()
{
    TakeControlValues();
    const QString typed = FromNarrow(m_settings.Folder);
    const QString start = typed.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) : typed;
    if (const auto chosen = m_chooseFolder(this, start))
        m_settings.Folder = chosen->toStdString();
    ShowSettings();
}

void MainWindow::OpenArguments(const QStringList& arguments)
{
    for (const QString& argument : arguments)
        if (!argument.startsWith(QLatin1Char('-')) && ShowFolderOf(argument))
            return;
}

bool MainWindow::ShowFolderOf(const QString& path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo named(path);
    // A path that does not exist is shown as given, made absolute, for Extract to name it.
    const QString folder = named.isFile() ? named.absolutePath() : QDir::cleanPath(named.absoluteFilePath());
    m_folderEdit->setText(QDir::toNativeSeparators(folder));
    return true;
}

QString MainWindow::DroppedPath(const QDropEvent& event) const
{
    if (m_running || event.mimeData() == nullptr)
        return {};
    for (const QUrl& url : event.mimeData()->urls())
        if (url.isLocalFile() && QFileInfo::exists(url.toLocalFile()))
            return url.toLocalFile();
    return {};
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (!DroppedPath(*event).isEmpty())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event)
{
    if (ShowFolderOf(DroppedPath(*event)))
        event->acceptProposedAction();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    // The box's letter leads to the list, not back to whichever of its controls had the focus last.
    if (watched == m_selectBox && type == QEvent::Shortcut) {
        m_columnList->setFocus(Qt::ShortcutFocusReason);
        return true;
    }
    if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (!DroppedPath(*drop).isEmpty()) {
            if (type == QEvent::Drop)
                dropEvent(drop);
            else
                drop->acceptProposedAction();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void MainWindow::OnBrowseOutputFile()
{
    // Taken first, like the folder's chooser: what was typed elsewhere must survive ShowSettings below.
    TakeControlValues();
    if (const auto chosen = m_chooseOutputFile(this, FromNarrow(m_settings.OutFile)))
        m_settings.OutFile = chosen->toStdString();
    ShowSettings();
}

void MainWindow::OnSetup()
{
    SetupDialog setup(this);
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

void MainWindow::OnSubFoldersClicked()
{
    TakeControlValues();
}

QString MainWindow::HelpIndexPath() const
{
    return FindHelpIndex(m_helpFolders);
}

void MainWindow::OnHelp()
{
    const QString index = HelpIndexPath();
    if (index.isEmpty()) {
        QStringList places;
        for (const QString& folder : m_helpFolders)
            places << QDir::toNativeSeparators(QDir::cleanPath(QDir(folder).absolutePath()));
        m_messages.Show(
            this, QMessageBox::Information,
            tr("The help pages were not found. They are looked for in:\n%1").arg(places.join(QLatin1Char('\n'))));
        return;
    }
    m_openOnDesktop(QUrl::fromLocalFile(index), [this, index] {
        m_messages.Show(this, QMessageBox::Information,
                        tr("No program on this computer could open the help pages. You can open %1 in a "
                           "web browser.")
                            .arg(MessageBoxes::PathShown(QDir::toNativeSeparators(index))));
    });
}

void MainWindow::OnAbout()
{
    AboutDialog about(this);
    about.exec();
}
