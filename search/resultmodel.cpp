#include "search/resultmodel.h"

#include <QElapsedTimer>
#include <algorithm>

#include <QColor>

#include "codes/coderules.h"
#include "codes/decoration.h"
#include "db/query.h"
#include "search/resultlines.h"

namespace search {

ResultModel::ResultModel(QObject* parent) : QAbstractTableModel(parent), m_slice(new QTimer(this)) {
    m_slice->setSingleShot(true);
    m_slice->setInterval(0);
    connect(m_slice, &QTimer::timeout, this, &ResultModel::readSlice);
}

void ResultModel::attach(db::Query* query) {
    m_slice->stop();
    beginResetModel();
    m_query = query;
    m_rows.clear();
    m_icd11Rows = 0;
    m_current = -1;
    endResetModel();
    readRows(FirstScreenRows, 0);
    if (m_background && canFetchMore()) m_slice->start();
}

void ResultModel::fetchAll() {
    m_slice->stop();
    while (canFetchMore())
        readRows(SliceRows, 0);
}

void ResultModel::readSlice() {
    readRows(SliceRows, SliceMilliseconds);
    if (canFetchMore()) m_slice->start();
}

const ResultModel::Row* ResultModel::row(int index) const {
    if (index < 0 || index >= static_cast<int>(m_rows.size())) return nullptr;
    return &m_rows[static_cast<std::size_t>(index)];
}

void ResultModel::setCurrentRow(int index) {
    if (index == m_current) return;
    const int old = m_current;
    m_current = index;
    if (old >= 0 && old < rowCount()) emit headerDataChanged(Qt::Vertical, old, old);
    if (index >= 0 && index < rowCount()) emit headerDataChanged(Qt::Vertical, index, index);
}

QString ResultModel::decoratedName(int index) const {
    const Row* r = row(index);
    // The name as DecorateRowName gives it for this row, made when it is shown.
    return r ? QString::fromStdString(codes::DecorateName(r->chineseName, r->flag2023, r->new2023))
             : QString();
}

const char* ResultModel::fieldName(int column) {
    static const char* const names[ColumnCount] = {"ICD10_2023FLAG", "ICD10_2023NEW", "ICD10_FLAG",
                                                   "ICD10_NO",       "ICD10_CNAME",   "ICD10_ENAME"};
    return column >= 0 && column < ColumnCount ? names[column] : "";
}

QString ResultModel::title(int column) {
    switch (column) {
    case Flag2023Column:
        return QStringLiteral("2023刪除");
    case New2023Column:
        return QStringLiteral("2023新增");
    case FinestColumn:
        return QStringLiteral("細碼");
    case CodeColumn:
        return QStringLiteral("ICD-10");
    case ChineseNameColumn:
        return QStringLiteral("中文名稱");
    case EnglishNameColumn:
        return QStringLiteral("英文名稱");
    default:
        return {};
    }
}

int ResultModel::widthInCharacters(int column) {
    static const int widths[ColumnCount] = {1, 1, 1, 7, 48, 100};
    return column >= 0 && column < ColumnCount ? widths[column] : 0;
}

int ResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    const Row* r = row(index.row());
    if (!r) return {};
    const bool icd11 = codes::IsIcd11Code(r->code);
    if (role == Qt::BackgroundRole) return icd11 ? QVariant(QColor(220, 242, 220)) : QVariant();
    if (role == Qt::ToolTipRole && icd11 && index.column() == CodeColumn)
        return QString::fromUtf8(Icd11Explanation);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    if (role == Qt::ToolTipRole && index.column() != ChineseNameColumn && index.column() != EnglishNameColumn)
        return {};
    switch (index.column()) {
    case Flag2023Column:
        return QString::fromStdString(r->flag2023);
    case New2023Column:
        return QString::fromStdString(r->new2023);
    case FinestColumn:
        return QString::fromStdString(r->finest);
    case CodeColumn:
        return QString::fromStdString(r->code);
    case ChineseNameColumn:
        return QString::fromStdString(GridChineseName(r->code, decoratedName(index.row()).toStdString()));
    case EnglishNameColumn:
        return QString::fromStdString(r->englishName);
    default:
        return {};
    }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return title(section);
    // The row indicator: a pointer at the current row.
    return section == m_current ? QStringLiteral("▸") : QString();
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

bool ResultModel::canFetchMore(const QModelIndex& parent) const {
    // Not while a read is under way (the engine may be answering keys from inside it).
    return !parent.isValid() && !m_reading && m_query && m_query->isOpen() && !m_query->eof();
}

void ResultModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    readRows(BatchSize, 0);
}

void ResultModel::readRows(int maxRows, int maxMilliseconds) {
    if (!canFetchMore()) {
        emit rowsRead(rowCount(), true);
        return;
    }
    QElapsedTimer clock;
    clock.start();
    m_reading = true;
    std::vector<Row> batch;
    batch.reserve(static_cast<std::size_t>(std::min(maxRows, SliceRows)));
    std::string error;
    try {
        // Columns are found by name once per batch, then read by position.
        auto column = [this](const char* name) {
            for (int i = 0; i < m_query->fieldCount(); ++i)
                if (QString::fromStdString(m_query->fieldName(i))
                        .compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                    return i;
            throw db::Error(std::string("找不到欄位: ") + name);
        };
        const int no = column("ICD10_NO"), cname = column("ICD10_CNAME"), ename = column("ICD10_ENAME"),
                  finest = column("ICD10_FLAG"), flag = column("ICD10_2023FLAG"),
                  mark = column("ICD10_2023NEW");
        for (int i = 0; i < maxRows && !m_query->eof(); ++i, m_query->next()) {
            // The clock is looked at every 64 rows: reading it costs more than a row.
            if (maxMilliseconds > 0 && (i & 63) == 63 && clock.elapsed() >= maxMilliseconds) break;
            Row r;
            r.code = m_query->value(no);
            r.chineseName = m_query->value(cname);
            r.englishName = m_query->value(ename);
            r.finest = m_query->value(finest);
            r.flag2023 = m_query->value(flag);
            r.new2023 = m_query->value(mark);
            if (codes::IsIcd11Code(r.code)) ++m_icd11Rows;
            batch.push_back(std::move(r));
        }
    } catch (const db::Interrupted&) {
        // Stopped for a newer search: the rows read so far stay, nothing to say.
    } catch (const db::Error& e) {
        // The query closes itself on an error; the rows read so far stay.
        error = e.what();
    }
    m_reading = false;
    if (!batch.empty()) {
        const int first = rowCount();
        beginInsertRows({}, first, first + static_cast<int>(batch.size()) - 1);
        for (auto& r : batch)
            m_rows.push_back(std::move(r));
        endInsertRows();
    }
    emit rowsRead(rowCount(), !canFetchMore());
    if (!error.empty() && m_onError) m_onError(error);
}

} // namespace search
