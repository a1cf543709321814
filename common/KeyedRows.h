#pragma once
// The rows of a list model kept in insertion order and unique by a text key
// (the download address of both the download list and the analysis list),
// each with a stable id that outlives moves and the removal of other rows.
// The models own one of these and tell their views; the batched removal
// takes the model's notifications as hooks.
//
// Lookups by key are constant time. Lookups by id are a binary search while
// the rows are in the order they were added (ids rise with every append and
// removal keeps their order) and a hash, built on first use, once a reorder
// has mixed them.
#include <QHash>
#include <QString>
#include <QVector>

#include <algorithm>

template<typename Row, QString Row::*Key>
class KeyedRows
{
public:
    using Id = quint64;

    int count() const { return int(m_rows.size()); }
    const Row &at(int index) const { return m_rows.at(index); }
    // For edits in place; a changed key must be followed by rekey().
    Row &edit(int index) { return m_rows[index]; }
    Id idAt(int index) const { return m_ids.at(index); }

    // Position of a key (exact comparison), or -1.
    int indexOf(const QString &key) const { return m_byKey.value(key, -1); }
    bool contains(const QString &key) const { return m_byKey.contains(key); }
    // Position of an id, or -1 when that row has gone.
    int indexOfId(Id id) const
    {
        if (id == 0)
            return -1;
        if (m_idsInOrder) {
            const auto it = std::lower_bound(m_ids.cbegin(), m_ids.cend(), id);
            return it != m_ids.cend() && *it == id ? int(it - m_ids.cbegin()) : -1;
        }
        if (!m_byIdValid) {
            m_byId.clear();
            m_byId.reserve(count());
            for (int i = 0; i < count(); ++i)
                m_byId.insert(m_ids.at(i), i);
            m_byIdValid = true;
        }
        return m_byId.value(id, -1);
    }

    // Appends the row and answers its id, or 0 (nothing added) when its key
    // is already listed.
    Id append(Row row)
    {
        const QString key = row.*Key;
        if (m_byKey.contains(key))
            return 0;
        const int at = count();
        const Id id = ++m_lastId;
        m_rows.append(std::move(row));
        m_ids.append(id);
        m_byKey.insert(key, at);
        if (!m_idsInOrder && m_byIdValid)
            m_byId.insert(id, at);
        return id;
    }

    // After the key of row `index` changed from oldKey: false (and the old
    // key back in the row) when another row holds the new key.
    bool rekey(int index, const QString &oldKey)
    {
        Row &row = m_rows[index];
        const auto clash = m_byKey.constFind(row.*Key);
        if (clash != m_byKey.constEnd() && clash.value() != index) {
            row.*Key = oldKey;
            return false;
        }
        m_byKey.remove(oldKey);
        m_byKey.insert(row.*Key, index);
        return true;
    }

    // The valid positions among `indices`, ascending, each once.
    QVector<int> normalized(QVector<int> indices) const
    {
        const int n = count();
        indices.erase(std::remove_if(indices.begin(), indices.end(), [n](int i) { return i < 0 || i >= n; }),
                      indices.end());
        std::sort(indices.begin(), indices.end());
        indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
        return indices;
    }

    // Removes the rows at `indices` (as normalized() answers them). Hooks
    // tell the views: beginRemove(first, last) and endRemove() around every
    // contiguous run, removed from the end so that earlier positions stay
    // valid; with many scattered runs, which would make that quadratic, one
    // pass compacts the rows between beginReset() and endReset().
    template<typename Hooks>
    void removeSorted(const QVector<int> &indices, Hooks &&hooks)
    {
        if (indices.isEmpty())
            return;
        for (int i : indices)
            m_byKey.remove(m_rows.at(i).*Key);
        int runs = 1;
        for (int k = 1; k < indices.size(); ++k)
            runs += indices[k] != indices[k - 1] + 1;

        constexpr int kMaxSeparateRuns = 64;
        if (runs <= kMaxSeparateRuns) {
            int k = int(indices.size()) - 1;
            while (k >= 0) {
                const int last = indices[k];
                int first = last;
                while (k > 0 && indices[k - 1] == first - 1) {
                    --k;
                    --first;
                }
                --k;
                hooks.beginRemove(first, last);
                m_rows.remove(first, last - first + 1);
                m_ids.remove(first, last - first + 1);
                hooks.endRemove();
            }
        } else {
            hooks.beginReset();
            const int n = count();
            QVector<Row> kept;
            QVector<Id> keptIds;
            kept.reserve(n - int(indices.size()));
            keptIds.reserve(n - int(indices.size()));
            int k = 0;
            for (int i = 0; i < n; ++i) {
                if (k < indices.size() && indices[k] == i) {
                    ++k;
                } else {
                    kept.append(std::move(m_rows[i]));
                    keptIds.append(m_ids[i]);
                }
            }
            m_rows = std::move(kept);
            m_ids = std::move(keptIds);
            hooks.endReset();
        }
        m_byIdValid = false;
        rebuildKeys(indices.first());
    }

    void clear()
    {
        m_rows.clear();
        m_ids.clear();
        m_byKey.clear();
        m_byId.clear();
        m_byIdValid = false;
        m_idsInOrder = true;
    }

    // For a reorder: inverse[old] = new, when newOrder (newOrder[i] is the
    // old position of the row that ends at position i) is a permutation of
    // the positions; false otherwise.
    bool inverseOrder(const QVector<int> &newOrder, QVector<int> &inverse) const
    {
        const int n = count();
        if (newOrder.size() != n)
            return false;
        inverse.fill(-1, n);
        for (int i = 0; i < n; ++i) {
            const int old = newOrder[i];
            if (old < 0 || old >= n || inverse[old] != -1)
                return false;
            inverse[old] = i;
        }
        return true;
    }

    // Puts the rows into an order inverseOrder() accepted.
    void reorder(const QVector<int> &newOrder)
    {
        const int n = count();
        QVector<Row> rows;
        QVector<Id> ids;
        rows.reserve(n);
        ids.reserve(n);
        for (int old : newOrder) {
            rows.append(std::move(m_rows[old]));
            ids.append(m_ids[old]);
        }
        m_rows = std::move(rows);
        m_ids = std::move(ids);
        m_idsInOrder = std::is_sorted(m_ids.cbegin(), m_ids.cend());
        m_byIdValid = false;
        rebuildKeys(0);
    }

private:
    void rebuildKeys(int from)
    {
        if (from <= 0) {
            m_byKey.clear();
            m_byKey.reserve(count());
            from = 0;
        }
        for (int i = from; i < count(); ++i)
            m_byKey.insert(m_rows.at(i).*Key, i);
    }

    QVector<Row> m_rows;
    QVector<Id> m_ids;
    QHash<QString, int> m_byKey;
    mutable QHash<Id, int> m_byId;
    mutable bool m_byIdValid = false;
    bool m_idsInOrder = true;
    Id m_lastId = 0;
};

// The span of rows changed since the views were last told, so that many
// changes reach them as one dataChanged.
struct DirtyRows
{
    int first = -1;
    int last = -1;

    bool empty() const { return first < 0; }
    void mark(int index)
    {
        first = first < 0 ? index : std::min(first, index);
        last = std::max(last, index);
    }
    void reset() { first = last = -1; }
};
