#pragma once
// Store files made up for tests and benchmarks: categories of items spread over the aisles,
// with quantities, notes and coupons in a fixed pattern, and errands. Item n, counted from 0
// over the whole store, is named "Item number " + (100000 + n): the names sort in the order
// they are made, and each is known again by its number.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace qmtest {

struct GeneratedStore {
    int Categories = 10; // "Category 1000", "Category 1001", ...
    int ItemsPerCategory = 10;
    int TotalItems = -1;              // the store ends after this many items; -1: every category full
    int Aisles = 30;                  // "Aisle 0", ...; item n is on aisle n % Aisles (none when 0)
    int NoteEvery = 5;                // item n has the note NoteText when n % NoteEvery == 0; 0: no notes
    int CouponEvery = 7;              // item n has a coupon that never expires when n % CouponEvery == 0
    std::vector<std::string> Errands; // all on the list
    std::function<int(int)> Quantity = [](int n) { return 1 + n % 12; };

    static constexpr const char* NoteText = "a note for this item";
    static std::string CategoryName(int c) { return "Category " + std::to_string(1000 + c); }
    static std::string ItemName(int n) { return "Item number " + std::to_string(100000 + n); }
    static std::string AisleName(int a) { return "Aisle " + std::to_string(a); }

    int ItemCount() const
    {
        const int full = Categories * ItemsPerCategory;
        return TotalItems < 0 ? full : std::min(TotalItems, full);
    }
    bool HasNote(int n) const { return NoteEvery > 0 && n % NoteEvery == 0; }
    bool HasCoupon(int n) const { return CouponEvery > 0 && n % CouponEvery == 0; }

    // The store file's bytes.
    std::string Text() const
    {
        std::string text = "[--Info--]\r\nAisles=";
        for (int a = 0; a < Aisles; ++a)
            text += AisleName(a) + ",,";
        text += "\r\n";
        if (!Errands.empty()) {
            text += "[--Errands--]\r\n";
            for (const std::string& errand : Errands)
                text += errand + "=1\r\n";
        }
        const int total = ItemCount();
        for (int c = 0, n = 0; c < Categories && n < total; ++c) {
            text += "[" + CategoryName(c) + "]\r\n";
            for (int i = 0; i < ItemsPerCategory && n < total; ++i, ++n) {
                text += ItemName(n) + "=" + (Aisles > 0 ? AisleName(n % Aisles) : std::string()) + ",-," +
                        (HasNote(n) ? NoteText : "") + ",-," + std::to_string(Quantity(n)) + ",-," +
                        (HasCoupon(n) ? "1" : "0") + ",-,0,-,0,-,\r\n";
            }
        }
        return text;
    }
};

} // namespace qmtest
