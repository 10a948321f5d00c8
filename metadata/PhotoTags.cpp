#include "metadata/PhotoTags.h"

#include <algorithm>
#include <utility>

TagValue TagValue::Text(std::string text)
{
    TagValue value;
    value.m_type = Type::Text;
    value.m_text = std::move(text);
    return value;
}

TagValue TagValue::Integer(std::int64_t number)
{
    TagValue value;
    value.m_type = Type::Integer;
    value.m_integer = number;
    return value;
}

TagValue TagValue::Rationals(std::initializer_list<Rational> rationals)
{
    TagValue value;
    for (const Rational& rational : rationals)
        value.AddRational(rational);
    return value;
}

void TagValue::AddRational(Rational rational)
{
    if (m_type != Type::Rationals) {
        *this = TagValue();
        m_type = Type::Rationals;
    }
    if (m_count < MaxRationals)
        m_rationals[m_count++] = rational;
}

bool PhotoTags::PreferredGiven(Tag tag) const
{
    const std::span<const Tag> preference = PreferenceOf(tag);
    return std::any_of(preference.begin(), std::find(preference.begin(), preference.end(), tag),
                       [this](Tag preferred) { return !(*this)[preferred].empty(); });
}
