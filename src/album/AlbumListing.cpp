#include "album/AlbumListing.h"

#include <QVariantMap>

#include <algorithm>

QString AlbumListing::pathOf(const QVariant &item)
{
    return item.toMap().value(QStringLiteral("path")).toString();
}

void AlbumListing::setItems(const QVariantList &items)
{
    m_items = items;
    std::stable_sort(m_items.begin(), m_items.end(), [](const QVariant &a, const QVariant &b) {
        const QVariantMap x = a.toMap();
        const QVariantMap y = b.toMap();
        const qint64 tx = x.value(QStringLiteral("mtime")).toLongLong();
        const qint64 ty = y.value(QStringLiteral("mtime")).toLongLong();
        if (tx != ty)
            return tx > ty;
        return x.value(QStringLiteral("name")).toString() >
               y.value(QStringLiteral("name")).toString();
    });
    applyFilter();
}

bool AlbumListing::removeItem(const QString &path)
{
    QVariantList kept;
    for (const QVariant &item : qAsConst(m_items))
        if (pathOf(item) != path)
            kept.append(item);
    if (kept.size() == m_items.size())
        return false;
    setItems(kept);
    return true;
}

QStringList AlbumListing::filteredPaths() const
{
    QStringList paths;
    for (const QVariant &item : m_filtered) {
        const QString path = pathOf(item);
        if (!path.isEmpty())
            paths.append(path);
    }
    return paths;
}

qint64 AlbumListing::listedSize(const QString &path) const
{
    for (const QVariant &item : m_items) {
        const QVariantMap map = item.toMap();
        if (map.value(QStringLiteral("path")).toString() == path)
            return map.value(QStringLiteral("filesize")).toLongLong();
    }
    return 0;
}

bool AlbumListing::setFilterIndex(int index)
{
    index = qBound(int(All), index, int(Videos));
    if (index == m_filter)
        return false;
    m_filter = index;
    applyFilter();
    return true;
}

void AlbumListing::applyFilter()
{
    m_filtered.clear();
    for (const QVariant &item : qAsConst(m_items)) {
        const QString type = item.toMap().value(QStringLiteral("type")).toString();
        if (m_filter == All || (m_filter == Photos && type == QLatin1String("photo")) ||
            (m_filter == Videos && type == QLatin1String("video")))
            m_filtered.append(item);
    }
    rebuildPage();
}

int AlbumListing::totalPages() const
{
    return qMax(1, int((m_filtered.size() + PageSize - 1) / PageSize));
}

bool AlbumListing::previousPage()
{
    if (!canGoPrevious())
        return false;
    --m_pages[m_filter];
    rebuildPage();
    return true;
}

bool AlbumListing::nextPage()
{
    if (!canGoNext())
        return false;
    ++m_pages[m_filter];
    rebuildPage();
    return true;
}

void AlbumListing::rebuildPage()
{
    int &page = m_pages[m_filter];
    page = qBound(1, page, totalPages());
    m_paged = m_filtered.mid((page - 1) * PageSize, PageSize);
}

QStringList AlbumListing::selectedInListOrder() const
{
    QStringList paths;
    for (const QVariant &item : m_items) {
        const QString path = pathOf(item);
        if (m_selection.contains(path))
            paths.append(path);
    }
    return paths;
}

bool AlbumListing::toggleSelection(const QString &path)
{
    if (path.isEmpty())
        return false;
    if (!m_selection.remove(path))
        m_selection.insert(path);
    return true;
}

void AlbumListing::selectAllFiltered()
{
    m_selection.clear();
    for (const QString &path : filteredPaths())
        m_selection.insert(path);
}

bool AlbumListing::clearSelection()
{
    if (m_selection.isEmpty())
        return false;
    m_selection.clear();
    return true;
}
