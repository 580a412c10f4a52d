#include "ui/pane_view.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>

#include "ui/logic/pane_drawing.h"
#include "ui/logic/pane_typing.h"
#include "ui/qt_text.h"

namespace korval::ui {

namespace logic = korval::ui::logic;

PaneModel::PaneModel(listing::PaneList& list, QObject* parent) : QAbstractListModel(parent), list_(list) {
  count_ = static_cast<int>(list_.Count());
}

int PaneModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : count_; }

const listing::ListingEntry* PaneModel::Entry(int row) const {
  if (!last_ || last_->first != row) {
    std::optional<listing::ListingEntry> entry = list_.EntryAt(static_cast<std::size_t>(row));
    if (!entry) return nullptr;
    last_.emplace(row, std::move(*entry));
  }
  return &last_->second;
}

QVariant PaneModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= count_) return {};
  const listing::ListingEntry* entry = Entry(index.row());
  if (!entry) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: {
      QString text = ToQString(entry->Text);
      text.replace(QLatin1Char('\t'), QLatin1Char(' '));
      return text;
    }
    case KindRole:
      return entry->Kind;
    case NameRole:
      return ToQString(entry->Name());
    case InformationRole:
      return ToQString(std::string_view(entry->Text).substr(entry->Name().size()));
    default:
      return {};
  }
}

void PaneModel::Refresh() {
  beginResetModel();
  last_.reset();
  count_ = static_cast<int>(list_.Count());
  endResetModel();
}

PaneItemDelegate::PaneItemDelegate(QObject* parent) : QStyledItemDelegate(parent) {
  const char* names[] = {"drive", "parent_directory", "directory", "link", "text_file", "file"};
  for (std::size_t i = 0; i < pictures_.size(); ++i)
    pictures_[i] = QPixmap(QStringLiteral(":/pictures/%1.png").arg(QLatin1String(names[i])));
}

void PaneItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QString name = index.data(PaneModel::NameRole).toString();
  const QString information = index.data(PaneModel::InformationRole).toString();
  const int kind = index.data(PaneModel::KindRole).toInt();
  const QRect r = option.rect;
  const bool selected = option.state & QStyle::State_Selected;
  const QPalette& palette = option.palette;
  const QFontMetrics metrics(option.font);
  painter->save();
  painter->setFont(option.font);
  painter->fillRect(r, palette.color(QPalette::Base));
  // The picture and the name show the selection; the columns never do.
  const int nameWidth = metrics.horizontalAdvance(name);
  const QColor back = selected ? palette.color(QPalette::Highlight) : palette.color(QPalette::Base);
  const QColor text = selected ? palette.color(QPalette::HighlightedText) : palette.color(QPalette::Text);
  painter->fillRect(QRect(r.left(), r.top(), logic::PictureWidth + nameWidth, r.height()), back);
  const QPixmap& picture =
      pictures_[static_cast<std::size_t>(logic::PictureFor(kind, ToStdString(name)))];
  if (!picture.isNull())
    painter->drawPixmap(r.left() + (logic::PictureWidth - picture.width()) / 2,
                        r.top() + (r.height() - picture.height()) / 2, picture);
  painter->setPen(text);
  const int baseline = r.top() + (r.height() - metrics.height()) / 2 + metrics.ascent();
  painter->drawText(r.left() + logic::PictureWidth, baseline, name);
  painter->setPen(palette.color(QPalette::Text));
  const std::string bytes = ToStdString(information);
  const int average = metrics.averageCharWidth();
  for (const logic::TextPiece& piece :
       logic::PlaceTabbedText(bytes, logic::PictureWidth + nameWidth, average, [&](std::string_view s) {
         return metrics.horizontalAdvance(ToQString(s));
       }))
    painter->drawText(r.left() + piece.X, baseline, ToQString(piece.Text));
  painter->restore();
}

QSize PaneItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
  const QFontMetrics metrics(option.font);
  return {itemWidth_, logic::ItemHeightFor(metrics.height(), metrics.leading())};
}

PaneView::PaneView(platform::PaneSide side, QWidget* parent)
    : QListView(parent),
      side_(side),
      model_(new PaneModel(side == platform::PaneSide::Local ? listing::LocalPane() : listing::RemotePane(), this)),
      delegate_(new PaneItemDelegate(this)) {
  setModel(model_);
  setItemDelegate(delegate_);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setUniformItemSizes(true);  // a hundred thousand entries stay cheap
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this](const QItemSelection& selected, const QItemSelection& deselected) {
            if (refreshing_) return;
            listing::PaneList& list = model_->List();
            for (const QItemSelectionRange& range : deselected)
              for (int row = range.top(); row <= range.bottom(); ++row)
                list.SetSelected(static_cast<std::size_t>(row), false);
            for (const QItemSelectionRange& range : selected)
              for (int row = range.top(); row <= range.bottom(); ++row)
                list.SetSelected(static_cast<std::size_t>(row), true);
            if (selectionChanged_) selectionChanged_();
          });
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
    if (refreshing_) return;
    model_->List().SetCaret(current.isValid() ? std::optional<std::size_t>(static_cast<std::size_t>(current.row()))
                                              : std::nullopt);
  });
  MeasureItems();
}

void PaneView::MeasureItems() {
  const QFontMetrics metrics(font());
  const std::string widest = model_->List().WidestText();
  int width = logic::PictureWidth;
  const std::size_t tab = widest.find('\t');
  const std::string_view name = std::string_view(widest).substr(0, tab);
  width += metrics.horizontalAdvance(ToQString(name));
  if (tab != std::string::npos) {
    const auto pieces = logic::PlaceTabbedText(std::string_view(widest).substr(tab), width,
                                               metrics.averageCharWidth(), [&](std::string_view s) {
                                                 return metrics.horizontalAdvance(ToQString(s));
                                               });
    if (!pieces.empty()) width = pieces.back().X + metrics.horizontalAdvance(ToQString(pieces.back().Text));
  }
  delegate_->SetItemWidth(width + 4);
}

void PaneView::Refresh() {
  // The pane list holds the selection: the view shows it again after the
  // reset, without writing it back.
  refreshing_ = true;
  MeasureItems();
  model_->Refresh();
  listing::PaneList& list = model_->List();
  QItemSelection selection;
  for (std::size_t row : list.SelectedIndexes(list.Count())) {
    const QModelIndex index = model_->index(static_cast<int>(row));
    selection.select(index, index);
  }
  if (!selection.isEmpty()) selectionModel()->select(selection, QItemSelectionModel::Select);
  if (const std::optional<std::size_t> caret = list.Caret(); caret && *caret < list.Count())
    selectionModel()->setCurrentIndex(model_->index(static_cast<int>(*caret)), QItemSelectionModel::NoUpdate);
  refreshing_ = false;
  if (selectionChanged_) selectionChanged_();
}

void PaneView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (doubleClick_) doubleClick_();
    return;
  }
  const QString typed = event->text();
  const bool plainCharacter = typed.size() == 1 && typed.at(0).isPrint() && !typed.at(0).isSpace() &&
                              !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
  if (plainCharacter && typed.at(0).unicode() < 128 && typed.at(0) != QLatin1Char('<') &&
      typed.at(0) != QLatin1Char('>')) {
    const int caret = currentIndex().isValid() ? currentIndex().row() : 0;
    const std::optional<std::size_t> target = logic::TypeAheadTarget(
        static_cast<char>(typed.at(0).unicode()), static_cast<std::size_t>(caret),
        static_cast<std::size_t>(model_->rowCount()), [this, names = std::string()](std::size_t row) mutable {
          names = ToStdString(model_->data(model_->index(static_cast<int>(row)), PaneModel::NameRole).toString());
          return std::string_view(names);
        });
    if (target) setCurrentIndex(model_->index(static_cast<int>(*target)));
    return;
  }
  QListView::keyPressEvent(event);
}

void PaneView::mouseDoubleClickEvent(QMouseEvent* event) {
  QListView::mouseDoubleClickEvent(event);
  if (indexAt(event->position().toPoint()).isValid() && doubleClick_) doubleClick_();
}

}  // namespace korval::ui
