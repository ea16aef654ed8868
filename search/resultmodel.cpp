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
    m_shown = 0;
    m_icd11Rows = 0;
    m_current = -1;
    endResetModel();
    readRows(FirstScreenRows, 0);
    show();
    if (m_background && canFetchMore()) m_slice->start();
}

void ResultModel::fetchAll() {
    m_slice->stop();
    while (moreToRead())
        readRows(SliceRows, 0);
    show();
}

void ResultModel::readSlice() {
    readRows(SliceRows, SliceMilliseconds);
    if (!moreToRead() || m_sinceShown.elapsed() >= ShowEveryMilliseconds) show();
    if (canFetchMore()) m_slice->start();
}

std::optional<ResultModel::Row> ResultModel::row(int index) const {
    if (index < 0 || index >= m_shown) return std::nullopt;
    const auto r = static_cast<std::size_t>(index);
    return Row{m_rows.at(r, 0), m_rows.at(r, 1), m_rows.at(r, 2),
               m_rows.at(r, 3), m_rows.at(r, 4), m_rows.at(r, 5)};
}

void ResultModel::setCurrentRow(int index) {
    if (index == m_current) return;
    const int old = m_current;
    m_current = index;
    if (old >= 0 && old < rowCount()) emit headerDataChanged(Qt::Vertical, old, old);
    if (index >= 0 && index < rowCount()) emit headerDataChanged(Qt::Vertical, index, index);
}

namespace {

QString Utf8Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

QString ResultModel::decoratedName(int index) const {
    const std::optional<Row> r = row(index);
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
    return parent.isValid() ? 0 : m_shown;
}

int ResultModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ResultModel::data(const QModelIndex& index, int role) const {
    const std::optional<Row> r = row(index.row());
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
        return Utf8Text(r->flag2023);
    case New2023Column:
        return Utf8Text(r->new2023);
    case FinestColumn:
        return Utf8Text(r->finest);
    case CodeColumn:
        return Utf8Text(r->code);
    case ChineseNameColumn:
        return QString::fromStdString(
            GridChineseName(std::string(r->code), decoratedName(index.row()).toStdString()));
    case EnglishNameColumn:
        return Utf8Text(r->englishName);
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

bool ResultModel::moreToRead() const {
    // Not while a read is under way (the engine may be answering keys from inside it).
    return !m_reading && m_query && m_query->isOpen() && !m_query->eof();
}

bool ResultModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && (moreToRead() || (!m_reading && static_cast<int>(m_rows.size()) > m_shown));
}

void ResultModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    // What the background has read already comes first; a batch is read when there is none.
    if (static_cast<int>(m_rows.size()) == m_shown) readRows(BatchSize, 0);
    show();
}

void ResultModel::show() {
    const int read = static_cast<int>(m_rows.size());
    if (read > m_shown) {
        for (int r = m_shown; r < read; ++r)
            if (codes::IsIcd11Code(m_rows.at(static_cast<std::size_t>(r), 0))) ++m_icd11Rows;
        beginInsertRows({}, m_shown, read - 1);
        m_shown = read;
        endInsertRows();
    }
    m_sinceShown.start();
    emit rowsRead(rowCount(), !canFetchMore());
}

void ResultModel::readRows(int maxRows, int maxMilliseconds) {
    if (!moreToRead()) return;
    QElapsedTimer clock;
    clock.start();
    m_reading = true;
    std::string error;
    try {
        // Columns are found by name once per result, then read by position.
        if (m_rows.size() == 0)
            for (int c = 0; c < ColumnCount; ++c) {
                static const char* const names[ColumnCount] = {"ICD10_NO",       "ICD10_CNAME",
                                                               "ICD10_ENAME",    "ICD10_FLAG",
                                                               "ICD10_2023FLAG", "ICD10_2023NEW"};
                m_fields[static_cast<std::size_t>(c)] = m_query->fieldIndex(names[c]);
                if (m_fields[static_cast<std::size_t>(c)] < 0)
                    throw db::Error(std::string("找不到欄位: ") + names[c]);
            }
        for (int i = 0; i < maxRows && !m_query->eof(); ++i, m_query->next()) {
            // The clock is looked at every 64 rows: reading it costs more than a row.
            if (maxMilliseconds > 0 && (i & 63) == 63 && clock.elapsed() >= maxMilliseconds) break;
            m_rows.append(*m_query, m_fields);
        }
    } catch (const db::Interrupted&) {
        // Stopped for a newer search: the rows read so far stay, nothing to say.
    } catch (const db::Error& e) {
        // The query closes itself on an engine error (and is closed on any
        // other); the rows read so far stay.
        error = e.what();
        m_query->close();
    }
    m_reading = false;
    if (!error.empty()) {
        show();
        if (m_onError) m_onError(error);
    }
}

} // namespace search
