#include "ui/settings/EditRules.h"

#include <charconv>
#include <cmath>

#include "ui/settings/ListTexts.h"

namespace ui {

namespace {

std::string Trimmed(const std::string& text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return text.substr(begin, end - begin);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Skips digits from `i`; returns how many there were.
std::size_t SkipDigits(const std::string& s, std::size_t& i) {
    const std::size_t from = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    return i - from;
}

unsigned Divisor(const config::SettingTable& table, int row) {
    return table.CC2[row] == 0 ? 1u : table.CC2[row];
}

}  // namespace

std::optional<long long> ParseInteger(const std::string& text) {
    const std::string s = Trimmed(text);
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t digitsFrom = i;
    if (SkipDigits(s, i) == 0 || i != s.size()) return std::nullopt;
    // More digits than any range needs still convert: the range check refuses them.
    long long value = 0;
    for (std::size_t k = digitsFrom; k < s.size(); ++k) {
        value = std::min<long long>(value * 10 + (s[k] - '0'), 1'000'000'000'000LL);
    }
    return s[0] == '-' ? -value : value;
}

std::optional<double> ParseDecimal(const std::string& text) {
    const std::string s = Trimmed(text);
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t numberFrom = i;
    std::size_t digits = SkipDigits(s, i);
    if (i < s.size() && s[i] == '.') {
        ++i;
        digits += SkipDigits(s, i);
    }
    if (digits == 0) return std::nullopt;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (SkipDigits(s, i) == 0) return std::nullopt;
    }
    if (i != s.size()) return std::nullopt;
    double value = 0;
    const char* const first = s.data() + numberFrom;
    const char* const last = s.data() + s.size();
    const auto result = std::from_chars(first, last, value);
    if (result.ec == std::errc::result_out_of_range) {
        if (result.ptr != last) return std::nullopt;
        // Beyond double: a magnitude that long double still holds decides between too small (rounds to 0)
        // and too large (out of every range); past that, the exponent's sign does.
        long double wide = 0;
        const auto widened = std::from_chars(first, last, wide);
        if (widened.ec == std::errc()) {
            value = wide < 1.0L ? 0.0 : HUGE_VAL;
        } else {
            const std::size_t e = s.find_first_of("eE", numberFrom);
            value = e != std::string::npos && e + 1 < s.size() && s[e + 1] == '-' ? 0.0 : HUGE_VAL;
        }
    } else if (result.ec != std::errc() || result.ptr != last) {
        return std::nullopt;
    }
    return s[0] == '-' ? -value : value;
}

EditOutcome EditParameter(config::ParamTable& table, int row, const std::string& startText,
                          const std::string& text) {
    EditOutcome outcome{false, {}, startText};
    if (row < 0 || row >= ParamRowCount(table) || text == startText) return outcome;
    const auto value = ParseInteger(text);
    if (!value) {
        outcome.message = kInvalidNumberMessage;
        return outcome;
    }
    if (*value < 0 || *value > 65535) {
        outcome.message = kParamRangeMessage;
        return outcome;
    }
    table.RawValue[row] = static_cast<std::uint16_t>(*value);
    outcome.stored = true;
    outcome.cellText = ParamValueText(table, row);
    return outcome;
}

std::string SettingRangeMessage(const config::SettingTable& table, int row) {
    const double divisor = Divisor(table, row);
    return "定值越限，范围：" + FormatFixed(table.Min[row] / divisor, 6) + " ~ " +
           FormatFixed(table.Max[row] / divisor, 6);
}

EditOutcome EditSetting(config::SettingTable& table, int row, bool choiceCell, const std::string& startText,
                        const std::string& text) {
    EditOutcome outcome{false, {}, startText};
    if (row < 0 || row >= SettingRowCount(table) || text == startText) return outcome;
    if (choiceCell) {
        // The last of equal descriptions wins; a text matching none changes nothing.
        const auto items = SettingChoices(table, row);
        for (std::size_t k = 0; k < items.size(); ++k) {
            if (items[k] == text) {
                table.RawValue[row] = static_cast<std::uint16_t>(k);
                table.Value[row] = static_cast<float>(k);
                outcome.stored = true;
            }
        }
        if (outcome.stored) outcome.cellText = text;
        return outcome;
    }
    const auto value = ParseDecimal(text);
    if (!value) {
        outcome.message = kInvalidNumberMessage;
        return outcome;
    }
    // Decimal input like 0.29 is not exact in binary; rounding to 6 places first keeps 0.29 x 100 at 29.
    const double product = std::round(*value * Divisor(table, row) * 1e6) / 1e6;
    // The range applies to the product itself: 65535.5 is beyond 65535 even though it truncates to it.
    const double raw = std::trunc(product);
    if (!(product >= 0) || product > 65535 || product < table.Min[row] || product > table.Max[row]) {
        outcome.message = SettingRangeMessage(table, row);
        return outcome;
    }
    table.RawValue[row] = static_cast<std::uint16_t>(raw);
    table.Value[row] = static_cast<float>(table.RawValue[row]) / static_cast<float>(Divisor(table, row));
    outcome.stored = true;
    outcome.cellText = SettingValueText(table, row, false);
    return outcome;
}

}  // namespace ui
