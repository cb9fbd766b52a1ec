#pragma once

#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantList>

// The album's list as the operator sees it: every media item newest first,
// the items the chosen filter keeps (all, photos, videos), the page of them on
// screen (each filter remembers its own page), and the selection. A plain
// value: whoever changes it announces the change.
class AlbumListing
{
public:
    static constexpr int PageSize = 10;
    enum Filter { All = 0, Photos = 1, Videos = 2 };

    // Takes the items newest first (equal times by name, descending), then
    // filters and pages them.
    void setItems(const QVariantList &items);
    // Drops every item of `path`; false when there was none.
    bool removeItem(const QString &path);

    const QVariantList &items() const { return m_items; }
    const QVariantList &filtered() const { return m_filtered; }
    const QVariantList &paged() const { return m_paged; }
    // The device path of every filtered item, in list order.
    QStringList filteredPaths() const;
    // The listed size of `path`; 0 when it is not listed.
    qint64 listedSize(const QString &path) const;

    int filterIndex() const { return m_filter; }
    // Clamped to the three filters; false when the filter stays the same.
    bool setFilterIndex(int index);

    int currentPage() const { return m_pages[m_filter]; }
    int totalPages() const;
    bool canGoPrevious() const { return currentPage() > 1; }
    bool canGoNext() const { return currentPage() < totalPages(); }
    // False when there is no such page.
    bool previousPage();
    bool nextPage();

    QStringList selectedPaths() const
    {
        return QStringList(m_selection.cbegin(), m_selection.cend());
    }
    // The selected paths in list order.
    QStringList selectedInListOrder() const;
    int selectedCount() const { return m_selection.size(); }
    bool isSelected(const QString &path) const { return m_selection.contains(path); }
    // False for an empty path (nothing changes).
    bool toggleSelection(const QString &path);
    void selectAllFiltered();
    // False when nothing was selected.
    bool clearSelection();
    // False when `path` was not selected.
    bool deselect(const QString &path) { return m_selection.remove(path); }

    static QString pathOf(const QVariant &item);

private:
    void applyFilter();
    void rebuildPage();

    QVariantList m_items;
    QVariantList m_filtered;
    QVariantList m_paged;
    int m_filter = All;
    int m_pages[3] = {1, 1, 1};
    QSet<QString> m_selection;
};
