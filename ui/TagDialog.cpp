#include "ui/TagDialog.h"

#include "extract/ColumnCatalogue.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

namespace {

enum TagColumn { GroupColumn, LabelColumn, KeyColumn, DescriptionColumn, TagColumnCount };

QString FromUtf8(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TagDialog::TagDialog(const KnownTagList& known, QWidget* parent) : QDialog(parent), m_known(known)
{
    setWindowTitle(tr("Add tag"));
    setObjectName(QStringLiteral("tagDialog"));

    m_model = new QStandardItemModel(static_cast<int>(known.tags.size()), TagColumnCount, this);
    m_model->setHorizontalHeaderLabels({tr("Group"), tr("Label"), tr("Key"), tr("Description")});
    for (int row = 0; row < static_cast<int>(known.tags.size()); ++row) {
        const KnownTag& tag = known.tags[static_cast<std::size_t>(row)];
        const std::string* fields[] = {&tag.group, &tag.label, &tag.key, &tag.description};
        for (int column = 0; column < TagColumnCount; ++column) {
            auto* item = new QStandardItem(FromUtf8(*fields[column]));
            item->setEditable(false);
            if (column == DescriptionColumn)
                item->setToolTip(item->text());
            m_model->setItem(row, column, item);
        }
    }
    // Typing narrows the list to the rows that hold the text in any column, in any case.
    m_filtered = new QSortFilterProxyModel(this);
    m_filtered->setSourceModel(m_model);
    m_filtered->setFilterKeyColumn(-1);
    m_filtered->setFilterCaseSensitivity(Qt::CaseInsensitive);

    m_filterEdit = new QLineEdit(this);
    m_filterEdit->setObjectName(QStringLiteral("tagFilter"));
    m_filterEdit->setPlaceholderText(tr("Type part of a group, label, key or description"));
    m_filterEdit->setClearButtonEnabled(true);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("tagTable"));
    m_table->setModel(m_filtered);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(KeyColumn, Qt::AscendingOrder);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(false);
    m_table->setColumnWidth(GroupColumn, fontMetrics().averageCharWidth() * 18);
    m_table->setColumnWidth(LabelColumn, fontMetrics().averageCharWidth() * 24);
    m_table->setColumnWidth(KeyColumn, fontMetrics().averageCharWidth() * 34);

    m_keyEdit = new QLineEdit(this);
    m_keyEdit->setObjectName(QStringLiteral("tagKeyEdit"));
    m_keyEdit->setPlaceholderText(tr("Choose a tag above, or type its key: Xmp.xmp.Rating"));
    m_keyNote = new QLabel(this);
    m_keyNote->setObjectName(QStringLiteral("tagKeyNote"));
    m_keyNote->setWordWrap(true);
    if (!known.problem.empty())
        m_keyNote->setText(tr("The list of tags could not be had (%1); a key typed in is taken as it is.")
                               .arg(FromUtf8(known.problem)));

    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_buttons->setObjectName(QStringLiteral("tagButtons"));
    m_buttons->button(QDialogButtonBox::Ok)->setText(tr("&Add"));
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(false);

    auto* filterLabel = new QLabel(tr("&Filter:"), this);
    filterLabel->setBuddy(m_filterEdit);
    auto* keyLabel = new QLabel(tr("&Key:"), this);
    keyLabel->setBuddy(m_keyEdit);
    auto* form = new QFormLayout;
    form->addRow(filterLabel, m_filterEdit);
    auto* keyForm = new QFormLayout;
    keyForm->addRow(keyLabel, m_keyEdit);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_table, 1);
    layout->addLayout(keyForm);
    layout->addWidget(m_keyNote);
    layout->addWidget(m_buttons);

    connect(m_filterEdit, &QLineEdit::textChanged, m_filtered, &QSortFilterProxyModel::setFilterFixedString);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TagDialog::OnRowChosen);
    connect(m_table, &QTableView::doubleClicked, this, [this] {
        if (m_buttons->button(QDialogButtonBox::Ok)->isEnabled())
            accept();
    });
    connect(m_keyEdit, &QLineEdit::textChanged, this, &TagDialog::OnKeyEdited);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    const int width = fontMetrics().averageCharWidth() * 130;
    resize(width, width * 5 / 8);
}

std::string TagDialog::Key() const
{
    return m_keyEdit->text().trimmed().toStdString();
}

void TagDialog::OnRowChosen()
{
    const QModelIndex current = m_table->currentIndex();
    if (current.isValid())
        m_keyEdit->setText(m_filtered->index(current.row(), KeyColumn).data().toString());
}

void TagDialog::OnKeyEdited()
{
    const std::string key = Key();
    // Without a list, a key of the right form is taken; the run's readers give it no value when
    // libexiv2 does not know it.
    const bool known = m_known.problem.empty() ? m_known.Find(key) != nullptr : IsTagKey(key);
    m_buttons->button(QDialogButtonBox::Ok)->setEnabled(known);
    if (m_known.problem.empty())
        m_keyNote->setText(key.empty() || known ? QString() : tr("libexiv2 knows no tag %1.").arg(FromUtf8(key)));
}
