#pragma once

#include <QString>

#include <compare>
#include <optional>

// An amount of money as a whole number of kuruş, 100 to the lira. Every figure of an invoice
// is one: added and subtracted exactly, rounded only where a rate or a quantity makes a
// fraction of a kuruş, and turned into text only where it is shown, printed or written.
class Money {
public:
    constexpr Money() = default;
    static constexpr Money fromKurus(qint64 kurus) { return Money(kurus); }

    // The value in lira rounded to the kuruş, half away from zero on its decimal form of 15
    // significant digits, as a person rounds: 2.675 is 2,68 and -2.675 is -2,68. Nothing for a
    // value that is not finite or too large to count in kuruş.
    static std::optional<Money> fromLira(double lira);

    constexpr qint64 kurus() const { return m_kurus; }
    // The lira as a number, for what is not money itself (a chart's height).
    double lira() const { return double(m_kurus) / 100; }

    // The share `percent` % of this amount, rounded once as fromLira() rounds; nothing when
    // it does not fit.
    std::optional<Money> percent(double percent) const;
    // The part of this amount, which includes tax at `percent` %, that is the tax:
    // amount × percent / (100 + percent), rounded the same way.
    std::optional<Money> includedTax(double percent) const;

    // Whether money texts keep the amount to the kuruş: at most 15 digits, so
    // 9.999.999.999.999,99 is the largest.
    bool fitsText() const;

    constexpr Money operator-() const { return Money(-m_kurus); }
    constexpr Money &operator+=(Money other) {
        m_kurus += other.m_kurus;
        return *this;
    }
    constexpr Money &operator-=(Money other) {
        m_kurus -= other.m_kurus;
        return *this;
    }
    friend constexpr Money operator+(Money a, Money b) { return a += b; }
    friend constexpr Money operator-(Money a, Money b) { return a -= b; }
    friend constexpr auto operator<=>(Money, Money) = default;

private:
    constexpr explicit Money(qint64 kurus)
        : m_kurus(kurus) {}
    qint64 m_kurus = 0;
};

// "1.234,56": exactly two decimals, thousands grouped, a minus before a negative amount.
QString moneyText(Money m);
// The shortest text of the amount, "," before the decimals, no thousands marks: "1,1", "12".
QString plainNumberText(Money m);
// "1234.56": as XML and machine-read files write amounts.
QString decimalPointText(Money m);
