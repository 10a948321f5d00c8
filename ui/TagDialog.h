#pragma once

#include "metadata/KnownTags.h"

#include <QDialog>

#include <string>

class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QSortFilterProxyModel;
class QStandardItemModel;
class QTableView;

// "Add tag": every tag the readers know (group, label, key and description), narrowed by typing
// in the filter, and a key box that a chosen row fills and that takes any key typed into it. OK
// is offered only for a key libexiv2 knows; when the readers could not list their tags, for any
// text of a key's form, and the dialog says why there is no list.
class TagDialog : public QDialog {
    Q_OBJECT
public:
    TagDialog(const KnownTagList& known, QWidget* parent = nullptr);

    // The key chosen or typed, as it stands.
    std::string Key() const;

private:
    void OnRowChosen();
    void OnKeyEdited();

    const KnownTagList& m_known;
    QStandardItemModel* m_model = nullptr;
    QSortFilterProxyModel* m_filtered = nullptr;
    QLineEdit* m_filterEdit = nullptr;
    QTableView* m_table = nullptr;
    QLineEdit* m_keyEdit = nullptr;
    QLabel* m_keyNote = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
};
