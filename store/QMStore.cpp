#include "store/QMStore.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numeric>

#include "platform/Exception.h"

namespace qm {

namespace {

[[noreturn]] void RangeError(const char* what, int32_t index)
{
    throw ERangeError(Format("%s index out of range (%d)", what, int(index)));
}

// Stable sort of records on their upper-cased names, with each key computed once.
template <typename T> void SortByUpperName(std::vector<T>& records)
{
    if (records.size() < 2)
        return;
    std::vector<AnsiString> keys;
    keys.reserve(records.size());
    for (const auto& r : records)
        keys.push_back(UpperName(r.Name));
    std::vector<uint32_t> order(records.size());
    std::iota(order.begin(), order.end(), 0u);
    // std::string compares its bytes as unsigned char, as names are compared.
    std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return keys[a] < keys[b]; });
    std::vector<T> sorted;
    sorted.reserve(records.size());
    for (uint32_t i : order)
        sorted.push_back(std::move(records[i]));
    records = std::move(sorted);
}

} // namespace

int32_t QMStore::ItemCount() const
{
    int32_t n = 0;
    for (const auto& c : Categories)
        n += c.ItemCount();
    return n;
}

std::pair<int32_t, int32_t> QMStore::FindItemByName(const AnsiString& name) const
{
    for (size_t c = 0; c < Categories.size(); ++c) {
        if (SameName(Categories[c].Name, name))
            return {int32_t(c), kNoRow};
        const auto& items = Categories[c].Items;
        for (size_t i = 0; i < items.size(); ++i)
            if (SameName(items[i].Name, name))
                return {int32_t(c), int32_t(i)};
    }
    return {kNoRow, kNoRow};
}

int32_t QMStore::FindAisleIndex(const AnsiString& aisle) const
{
    for (size_t i = 0; i < Aisles.size(); ++i)
        if (SameName(Aisles[i], aisle))
            return int32_t(i);
    return -1;
}

std::pair<int32_t, int32_t> QMStore::FindItem(const AnsiString& category, const AnsiString& item) const
{
    for (size_t c = 0; c < Categories.size(); ++c) {
        if (!SameName(Categories[c].Name, category))
            continue;
        const auto& items = Categories[c].Items;
        for (size_t i = 0; i < items.size(); ++i)
            if (SameName(items[i].Name, item))
                return {int32_t(c), int32_t(i)};
        return {int32_t(c), kNoRow};
    }
    return {kNoRow, kNoRow};
}

QMStoreView::QMStoreView(const QMStore& store)
    : categoryIndex_(store.SelCategory), itemSelected_(store.SelItem >= 0)
{
    if (store.SelCategory >= 0 && store.SelCategory < store.CategoryCount()) {
        category_ = store.GetSelectedCategoryName();
        if (itemSelected_)
            item_ = store.GetSelectedItemName();
    }
    expanded_.reserve(store.Categories.size());
    for (const QMCategory& c : store.Categories)
        expanded_.emplace_back(c.Name, c.Expanded);
}

void QMStoreView::ApplyTo(QMStore& store) const
{
    // Both lists are sorted by name: one walk through each pairs the categories up.
    size_t k = 0;
    for (QMCategory& c : store.Categories) {
        const AnsiString upper = UpperName(c.Name);
        while (k < expanded_.size() && UpperName(expanded_[k].first) < upper)
            ++k;
        if (k < expanded_.size() && SameName(expanded_[k].first, c.Name))
            c.Expanded = expanded_[k].second;
    }
    if (categoryIndex_ < 0 || store.Categories.empty()) {
        store.SelCategory = store.SelItem = kNoRow;
        return;
    }
    auto [c, i] = store.FindItem(category_, item_);
    if (c < 0) {
        c = std::min(categoryIndex_, store.CategoryCount() - 1);
        i = kNoRow;
    }
    store.SelCategory = c;
    store.SelItem = itemSelected_ ? i : kNoRow;
}

AnsiString QMStore::GetSelectedCategoryName() const
{
    if (SelCategory < 0 || Categories.empty())
        return {};
    return CategoryAt(SelCategory).Name;
}

AnsiString QMStore::GetSelectedItemName() const
{
    if (SelItem < 0 || Categories.empty())
        return {};
    return ItemAt(SelCategory, SelItem).Name;
}

AnsiString QMStore::GetSelectedItemFieldText(int n) const
{
    const QMItem& item = ItemAt(SelCategory, SelItem);
    switch (n) {
    case 1:
        return item.Aisle;
    case 2:
        return item.Note;
    case 3:
        return std::to_string(item.Qty);
    case 4:
        return item.HasCoupon ? "1" : "0";
    case 5:
        return FormatExpiry(item.CouponExpire);
    case 6:
        return item.IsStoreCoupon ? "1" : "0";
    default:
        return {};
    }
}

void QMStore::GetSelectedItem(QMItem& out) const
{
    if (SelItem >= 0 && SelCategory >= 0 && ItemCount() >= 1)
        out = ItemAt(SelCategory, SelItem);
}

void QMStore::GetSelectedCategory(QMCategory& out) const
{
    if (SelCategory >= 0)
        out = CategoryAt(SelCategory);
}

void QMStore::GetItem(int32_t category, int32_t item, QMItem& out) const
{
    out = ItemAt(category, item);
}

void QMStore::GetCategory(int32_t category, QMCategory& out) const
{
    out = CategoryAt(category);
}

QMCategory& QMStore::CategoryAt(int32_t category)
{
    return const_cast<QMCategory&>(std::as_const(*this).CategoryAt(category));
}

const QMCategory& QMStore::CategoryAt(int32_t category) const
{
    if (category < 0 || size_t(category) >= Categories.size())
        RangeError("Category", category);
    return Categories[size_t(category)];
}

QMItem& QMStore::ItemAt(int32_t category, int32_t item)
{
    return const_cast<QMItem&>(std::as_const(*this).ItemAt(category, item));
}

const QMItem& QMStore::ItemAt(int32_t category, int32_t item) const
{
    const QMCategory& c = CategoryAt(category);
    if (item < 0 || size_t(item) >= c.Items.size())
        RangeError("Item", item);
    return c.Items[size_t(item)];
}

void QMStore::SortCategories()
{
    SortByUpperName(Categories);
}

void QMStore::SortItems(int32_t category)
{
    SortByUpperName(CategoryAt(category).Items);
}

AnsiString QMStore::FormatItemValue(int32_t category, int32_t item) const
{
    AnsiString line;
    line.reserve(64);
    AppendItemValue(category, item, line);
    return line;
}

void QMStore::AppendItemValue(int32_t category, int32_t item, AnsiString& out) const
{
    AppendItemValue(ItemAt(category, item), out);
}

void QMStore::AppendItemValue(const QMItem& it, AnsiString& out)
{
    char qty[16];
    const size_t qtyLen = size_t(std::to_chars(qty, qty + sizeof qty, it.Qty).ptr - qty);
    // 0 (also -0) is written as "0" without the general formatting.
    const AnsiString expiry = it.CouponExpire == 0 ? AnsiString("0") : FormatExpiry(it.CouponExpire);
    // The line's length is known, so it is written in place: writers of many lines call this
    // once per item.
    const size_t at = out.size();
    out.resize(at + it.Aisle.size() + it.Note.size() + qtyLen + expiry.size() + 2 + 6 * 3);
    char* p = out.data() + at;
    auto put = [&p](std::string_view s) {
        std::memcpy(p, s.data(), s.size());
        p += s.size();
    };
    auto separator = [&p] {
        p[0] = ',';
        p[1] = '-';
        p[2] = ',';
        p += 3;
    };
    put(it.Aisle);
    separator();
    put(it.Note);
    separator();
    put({qty, qtyLen});
    separator();
    *p++ = it.HasCoupon ? '1' : '0';
    separator();
    put(expiry);
    separator();
    *p++ = it.IsStoreCoupon ? '1' : '0';
    separator();
}

char DecimalSeparator()
{
    const QString point = QLocale::system().decimalPoint();
    if (point.size() == 1 && point[0].unicode() < 0x80)
        return char(point[0].unicode());
    return '.';
}

AnsiString FormatExpiry(double dayNumber)
{
    if (std::isnan(dayNumber))
        return "NAN";
    if (std::isinf(dayNumber))
        return dayNumber > 0 ? "INF" : "-INF";
    if (dayNumber == 0)
        return "0"; // also for -0
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15G", dayNumber);
    AnsiString s(buf);
    // "1E+20" / "1E-05" become "1E20" / "1E-5".
    if (const size_t e = s.find('E'); e != AnsiString::npos) {
        AnsiString mant = s.substr(0, e);
        AnsiString exp = s.substr(e + 1);
        const bool negative = !exp.empty() && exp[0] == '-';
        if (!exp.empty() && (exp[0] == '+' || exp[0] == '-'))
            exp.erase(0, 1);
        exp.erase(0, std::min(exp.find_first_not_of('0'), exp.size() - 1));
        s = mant + "E" + (negative ? "-" : "") + exp;
    }
    if (const size_t p = s.find('.'); p != AnsiString::npos)
        s[p] = DecimalSeparator();
    return s;
}

int32_t ParseStoreInt(std::string_view text)
{
    size_t p = 0;
    while (p < text.size() && (text[p] == ' ' || text[p] == '\t'))
        ++p;
    text.remove_prefix(p);
    if (text.size() > 1 && text[0] == '+' && text[1] != '-')
        text.remove_prefix(1);
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty())
        return 0;
    return value;
}

double ParseStoreFloat(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return 0;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.size() > 1 && text[0] == '+' && text[1] != '-')
        text.remove_prefix(1);
    // Accept "." and "," and the user's separator, so files written under another number
    // format still read; no grouping separator is ever written.
    std::string copy;
    if (text.find_first_not_of("0123456789.-eE") != std::string_view::npos) {
        copy.assign(text);
        const char sep = DecimalSeparator();
        for (char& ch : copy)
            if (ch == ',' || ch == sep)
                ch = '.';
        text = copy;
    }
    if (text.empty() ||
        !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '-' || text[0] == '.'))
        return 0;
    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return 0;
    return value;
}

} // namespace qm
