#include "gui/pagedlist.h"

#include "gui/guard.h"

#include <QComboBox>
#include <QScopeGuard>
#include <QWidget>

#include <vector>

PagedModel::PagedModel(int columns, Fetch fetch, QWidget *owner)
    : QAbstractTableModel(owner)
    , m_columns(columns)
    , m_fetch(std::move(fetch))
    , m_owner(owner) {}

void PagedModel::reload() {
    beginResetModel();
    const auto done = qScopeGuard([this] { endResetModel(); });
    m_rows.clear();
    m_complete = true;
    m_rows = m_fetch(QVariant(), pageSize);
    m_complete = m_rows.size() < pageSize;
}

int PagedModel::rowCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int PagedModel::columnCount(const QModelIndex &parent) const {
    return parent.isValid() ? 0 : m_columns;
}

QVariant PagedModel::data(const QModelIndex &index, int role) const {
    if (!index.isValid())
        return {};
    const PagedRow &row = m_rows.at(index.row());
    if (role == Qt::ForegroundRole && index.column() == row.greyColumn)
        return m_owner->palette().color(QPalette::Disabled, QPalette::Text);
    if (role == Qt::TextAlignmentRole && m_rightAligned.contains(index.column()))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::DisplayRole && !row.shown.isEmpty())
        return row.shown.value(index.column());
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return row.texts.value(index.column());
}

QVariant PagedModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section < m_headers.size())
        return m_headers.at(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool PagedModel::canFetchMore(const QModelIndex &parent) const {
    return !parent.isValid() && !m_complete;
}

void PagedModel::fetchMore(const QModelIndex &parent) {
    if (parent.isValid() || m_complete)
        return;
    // The message box of a failure lets events through; no view may read on meanwhile, nor
    // after it, when every page would fail the same way.
    m_complete = true;
    QList<PagedRow> page;
    if (!guarded(m_owner, [&] { page = m_fetch(m_rows.last().key, pageSize); }) || page.isEmpty())
        return;
    beginInsertRows({}, int(m_rows.size()), int(m_rows.size() + page.size() - 1));
    m_rows += page;
    endInsertRows();
    m_complete = page.size() < pageSize;
}

void reloadPickLists(PagedModel *model, const QList<QComboBox *> &combos, bool keepTexts) {
    QStringList texts;
    std::vector<QSignalBlocker> blocks;
    for (QComboBox *c : combos) {
        texts << (keepTexts ? c->currentText() : QString());
        blocks.emplace_back(c);
    }
    const auto restore = qScopeGuard([&] {
        for (qsizetype i = 0; i < combos.size(); ++i) {
            combos.at(i)->setCurrentIndex(-1);
            combos.at(i)->setEditText(texts.at(i));
        }
    });
    model->reload();
}

void readOnAtEnd(QComboBox *combo) {
    QObject::connect(combo, &QComboBox::currentIndexChanged, combo, [combo](int index) {
        QAbstractItemModel *model = combo->model();
        if (index >= 0 && index + 1 == combo->count() && model->canFetchMore({}))
            model->fetchMore({});
    });
}
