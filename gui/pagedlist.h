#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QStringList>
#include <QVariant>

#include <functional>

class QComboBox;
class QWidget;

// One row of a paged list: what its columns show and the key the next page is read after.
struct PagedRow {
    QVariant key;
    QStringList texts;
    int greyColumn = -1; // a column whose text says there is nothing, shown greyed
    // What the row stands for (a customer's place in the table), when the key is only where it
    // stands in the list.
    QVariant id = {};
    // What a view shows instead of `texts`, which stay what a box takes when the row is chosen.
    QStringList shown = {};
};

// A list that grows with the books, read a page at a time as a view scrolls to its end, so
// a window opens as fast on a million rows as on a thousand. `fetch` reads up to `count` rows
// after a key (after an invalid key: from the start); it may throw, like any database read.
class PagedModel : public QAbstractTableModel {
public:
    using Fetch = std::function<QList<PagedRow>(const QVariant &after, int count)>;

    static constexpr int pageSize = 200;

    // A failure while a view reads on is a message over `owner`.
    PagedModel(int columns, Fetch fetch, QWidget *owner);

    // Starts again with the first page. Throws what `fetch` throws, and is empty then.
    void reload();

    QVariant key(int row) const { return m_rows.at(row).key; }
    QVariant id(int row) const { return m_rows.at(row).id; }
    void setHeaders(const QStringList &headers) { m_headers = headers; }
    // Columns of numbers and amounts, shown against the right edge.
    void setRightAligned(const QList<int> &columns) { m_rightAligned = columns; }

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

private:
    int m_columns;
    Fetch m_fetch;
    QWidget *m_owner;
    QList<PagedRow> m_rows;
    QStringList m_headers;
    QList<int> m_rightAligned;
    bool m_complete = true;
};

// Rereads `model` for the editable boxes that show it. Each box keeps the text it shows (or
// is emptied) and has no entry picked: a reset alone would put the first entry into it.
// Throws what the model's reload throws.
void reloadPickLists(PagedModel *model, const QList<QComboBox *> &combos, bool keepTexts);

// The box reads on when the arrow keys reach the last entry read so far.
void readOnAtEnd(QComboBox *combo);
