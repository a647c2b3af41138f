#include <QFile>
#include <climits>
#include <type_traits>

#include "listctl/list_properties.h"

namespace corvane {

namespace {

// Calls visit(name, field, default) for every stored property in the stored
// order; reading and writing share this one list.
template <typename Props, typename Visit>
void ForEachStored(Props& p, const ListProperties& d, const QFont& ambientFont, Visit&& visit) {
  visit("Picture", p.picture, d.picture);
  visit("Font", p.font, ambientFont);
  visit("BackColor", p.backColor, d.backColor);
  visit("ForeColor", p.foreColor, d.foreColor);
  visit("SelColor", p.selColor, d.selColor);
  visit("SelForeColor", p.selForeColor, d.selForeColor);
  visit("StrechIcon", p.strechIcon, d.strechIcon);
  visit("Appearance", p.appearance, d.appearance);
  visit("BorderStyle", p.borderStyle, d.borderStyle);
  visit("FullRowSelect", p.fullRowSelect, d.fullRowSelect);
  visit("SortOrder", p.sortOrder, d.sortOrder);
  visit("IconFocus", p.iconFocus, d.iconFocus);
  visit("TextAlignment", p.textAlignment, d.textAlignment);
  visit("RowHeight", p.rowHeight, d.rowHeight);
  visit("GridLines", p.gridLines, d.gridLines);
  visit("GridColor", p.gridColor, d.gridColor);
  visit("BackGradient", p.backGradient, d.backGradient);
  visit("SelGradient", p.selGradient, d.selGradient);
  visit("BackGradientCol", p.backGradientCol, d.backGradientCol);
  visit("SelGradientCol", p.selGradientCol, d.selGradientCol);
  visit("MultiSelect", p.multiSelect, d.multiSelect);
  visit("FocusRectangle", p.focusRectangle, d.focusRectangle);
  visit("ShowIcon", p.showIcon, d.showIcon);
  visit("SelectionStyle", p.selectionStyle, d.selectionStyle);
  visit("FlatScrollBar", p.flatScrollBar, d.flatScrollBar);
  visit("AutoHideScrollBars", p.autoHideScrollBars, d.autoHideScrollBars);
  visit("Mode", p.mode, d.mode);
  visit("Path", p.path, d.path);
  visit("IconExtractSize", p.iconExtractSize, d.iconExtractSize);
  visit("Filter", p.filter, d.filter);
  visit("AutoRefresh", p.autoRefresh, d.autoRefresh);
  visit("ShowSystemFiles", p.showSystemFiles, d.showSystemFiles);
  visit("ShowHiddenFiles", p.showHiddenFiles, d.showHiddenFiles);
}

bool Same(const QPixmap& a, const QPixmap& b) { return a.cacheKey() == b.cacheKey(); }
template <typename T>
bool Same(const T& a, const T& b) {
  return a == b;
}

template <typename E>
bool Within(E value, E first, E last) {
  return value >= first && value <= last;
}
bool Names(ListMode mode) { return Within(mode, ListMode::Items, ListMode::FileTree); }
bool Names(Sorting order) { return Within(order, Sorting::Ascending, Sorting::Descending); }
bool Names(FrameLook look) { return Within(look, FrameLook::Flat, FrameLook::Sunken); }
bool Names(SelectionFill fill) {
  return Within(fill, SelectionFill::Plain, SelectionFill::Blended);
}
bool Names(GradientDirection direction) {
  return Within(direction, GradientDirection::None, GradientDirection::FromBottomLeft);
}
bool Names(Border border) {
  return border == Border::None || border == Border::Sunken || border == Border::Static;
}

// A colour was a signed 32-bit Long: both 0x80000012 and -2147483630 name
// the same system colour.
template <typename T>
bool Convert(const QVariant& v, T& out) {
  bool ok = false;
  if constexpr (std::is_same_v<T, bool>) {
    if (!v.canConvert<bool>()) return false;
    out = v.toBool();
    return true;
  } else if constexpr (std::is_same_v<T, int>) {
    const qlonglong n = v.toLongLong(&ok);
    if (!ok || n < INT_MIN || n > INT_MAX) return false;
    out = static_cast<int>(n);
  } else if constexpr (std::is_enum_v<T>) {
    const qlonglong n = v.toLongLong(&ok);
    if (!ok || n < INT_MIN || n > INT_MAX || !Names(static_cast<T>(n))) return false;
    out = static_cast<T>(n);
  } else if constexpr (std::is_same_v<T, OleColor>) {
    const qlonglong n = v.toLongLong(&ok);
    if (!ok || n < INT_MIN || n > UINT_MAX) return false;
    out = static_cast<OleColor>(n);
  } else if constexpr (std::is_same_v<T, QString>) {
    if (!v.canConvert<QString>()) return false;
    out = v.toString();
    ok = true;
  } else {
    if (v.metaType() != QMetaType::fromType<T>()) return false;
    out = v.value<T>();
    ok = true;
  }
  return ok;
}

template <typename T>
QVariant Stored(const T& value) {
  if constexpr (std::is_enum_v<T>) {
    return static_cast<int>(value);
  } else {
    return QVariant::fromValue(value);
  }
}

}  // namespace

QVariantMap WritePropertyBag(const ListProperties& properties, const QFont& ambientFont) {
  QVariantMap bag;
  const ListProperties defaults;
  ForEachStored(properties, defaults, ambientFont,
                [&](const char* name, const auto& value, const auto& fallback) {
                  if (!Same(value, fallback))
                    bag.insert(QString::fromLatin1(name).toLower(), Stored(value));
                });
  return bag;
}

ListProperties ReadPropertyBag(const QVariantMap& bag, const QFont& ambientFont) {
  QVariantMap byName;
  for (auto it = bag.cbegin(); it != bag.cend(); ++it)
    byName.insert(it.key().toLower(), it.value());
  ListProperties properties;
  const ListProperties defaults;
  ForEachStored(properties, defaults, ambientFont,
                [&](const char* name, auto& value, const auto& fallback) {
                  const auto found = byName.constFind(QString::fromLatin1(name).toLower());
                  if (found == byName.cend() || !Convert(*found, value)) value = fallback;
                });
  properties.pathBytes = QFile::encodeName(properties.path);
  return properties;
}

}  // namespace corvane
