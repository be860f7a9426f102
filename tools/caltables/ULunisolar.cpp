#include "ULunisolar.h"

#include "UAstroTime.h"
#include "UNewMoon.h"
#include "USolarLongitude.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace {

struct TPrincipalTerm {
    int Jdn;
    int Degrees; // 0, 30, .., 330
};

// Principal terms whose JST dates fall in the years FirstYear..LastYear, in date order.
std::vector<TPrincipalTerm> PrincipalTerms(int FirstYear, int LastYear) {
    std::vector<TPrincipalTerm> terms;
    for (int year = FirstYear; year <= LastYear; ++year)
        for (int degrees = 0; degrees < 360; degrees += 30)
            terms.push_back({SolarLongitudeDay(degrees, year), degrees});
    std::sort(terms.begin(), terms.end(),
              [](const TPrincipalTerm& a, const TPrincipalTerm& b) { return a.Jdn < b.Jdn; });
    return terms;
}

// JST dates of the new moons from the last one at or before FromJdn through the first one
// after ToJdn.
std::vector<int> NewMoonDays(int FromJdn, int ToJdn) {
    std::vector<int> days;
    int k = LunationAtOrBefore(FromJdn - 1.0);
    for (;; ++k) {
        const int day = JstDayOf(NewMoonInstant(k));
        days.push_back(day);
        if (day > ToJdn)
            break;
    }
    return days;
}

[[noreturn]] void Fail(int Jdn, const char* What) {
    const TCivilDate d = CivilDateOf(Jdn);
    throw std::runtime_error(std::string(What) + " near " + std::to_string(d.Year) + "-" +
                             std::to_string(d.Month) + "-" + std::to_string(d.Day));
}

} // namespace

std::vector<TLunarMonth> LunarMonths(int FirstYear, int LastYear) {
    // Solstice months are needed on both sides of the range: the year before gives the 11th
    // month that the first days belong to, the year after closes the last span.
    const std::vector<TPrincipalTerm> terms = PrincipalTerms(FirstYear - 1, LastYear + 1);
    const std::vector<int> starts = NewMoonDays(terms.front().Jdn, terms.back().Jdn);

    // Principal terms per month (month i spans starts[i] .. starts[i + 1] - 1).
    const size_t count = starts.size() - 1;
    for (size_t i = 0; i < count; ++i)
        if (starts[i + 1] - starts[i] != 29 && starts[i + 1] - starts[i] != 30)
            Fail(starts[i], "lunar month of impossible length");
    std::vector<int> termCount(count, 0);
    std::vector<size_t> solsticeMonths;
    for (const TPrincipalTerm& t : terms) {
        const auto next = std::upper_bound(starts.begin(), starts.end(), t.Jdn);
        if (next == starts.begin() || next == starts.end())
            continue;
        const size_t i = static_cast<size_t>(next - starts.begin()) - 1;
        ++termCount[i];
        if (t.Degrees == 270)
            solsticeMonths.push_back(i);
    }

    std::vector<TLunarMonth> months;
    for (size_t s = 0; s + 1 < solsticeMonths.size(); ++s) {
        const size_t a = solsticeMonths[s], b = solsticeMonths[s + 1];
        if (b - a != 12 && b - a != 13)
            Fail(starts[a], "irregular lunar year");
        size_t leap = b; // none
        if (b - a == 13) {
            for (size_t i = a + 1; i < b && leap == b; ++i)
                if (termCount[i] == 0)
                    leap = i;
        }
        int number = 11;
        months.push_back({starts[a], number, false});
        for (size_t i = a + 1; i < b; ++i) {
            const bool isLeap = i == leap;
            if (!isLeap)
                number = number % 12 + 1;
            months.push_back({starts[i], number, isLeap});
        }
        if (number != 10)
            Fail(starts[a], "lunar month numbering does not close");
    }
    // Keep the months that overlap the requested years.
    const int first = JulianDayNumber(FirstYear, 1, 1), last = JulianDayNumber(LastYear, 12, 31);
    std::vector<TLunarMonth> result;
    for (size_t i = 0; i < months.size(); ++i) {
        const int end =
            i + 1 < months.size() ? months[i + 1].StartJdn : starts[solsticeMonths.back()];
        if (end > first && months[i].StartJdn <= last)
            result.push_back(months[i]);
    }
    if (result.empty() || result.front().StartJdn > first)
        Fail(first, "lunar months do not cover the start");
    return result;
}

int SixDayOfLunarDate(int Month, int Day) {
    return (Month + Day - 2) % 6;
}
