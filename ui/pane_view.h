#pragma once
// A file pane: a list view over one of the core's pane lists (a model over
// its entries, never a widget per entry), drawn with the entry pictures, the
// name and the information columns. The selection and the caret are written
// back to the pane list, where the file operations read them.

#include <QAbstractListModel>
#include <QListView>
#include <QPixmap>
#include <QStyledItemDelegate>

#include <array>
#include <functional>
#include <optional>

#include "listing/pane_list.h"
#include "platform/host.h"

namespace korval::ui {

class PaneModel : public QAbstractListModel {
  Q_OBJECT
 public:
  enum Role { KindRole = Qt::UserRole + 1, NameRole, InformationRole };
  PaneModel(listing::PaneList& list, QObject* parent);
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // The pane list changed: the rows are read again.
  void Refresh();
  listing::PaneList& List() const { return list_; }

 private:
  const listing::ListingEntry* Entry(int row) const;
  listing::PaneList& list_;
  int count_ = 0;
  // The entry read last: a row is asked for several roles in a row.
  mutable std::optional<std::pair<int, listing::ListingEntry>> last_;
};

class PaneItemDelegate : public QStyledItemDelegate {
 public:
  explicit PaneItemDelegate(QObject* parent);
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // The width of the widest entry, which every item takes (the horizontal
  // extent), measured when the pane is filled.
  void SetItemWidth(int width) { itemWidth_ = width; }

 private:
  std::array<QPixmap, 6> pictures_;
  int itemWidth_ = 0;
};

class PaneView : public QListView {
  Q_OBJECT
 public:
  PaneView(platform::PaneSide side, QWidget* parent);
  platform::PaneSide Side() const { return side_; }
  PaneModel& Model() const { return *model_; }
  // Reads the pane list again, keeping its selection and caret.
  void Refresh();
  // A double click, or Enter: the window's double-click rule runs.
  void SetDoubleClickHandler(std::function<void()> handler) { doubleClick_ = std::move(handler); }
  // The selection changed (the window updates its buttons).
  void SetSelectionHandler(std::function<void()> handler) { selectionChanged_ = std::move(handler); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void WriteSelectionBack();
  void MeasureItems();

  platform::PaneSide side_;
  PaneModel* model_;
  PaneItemDelegate* delegate_;
  bool refreshing_ = false;
  std::function<void()> doubleClick_;
  std::function<void()> selectionChanged_;
};

}  // namespace korval::ui
