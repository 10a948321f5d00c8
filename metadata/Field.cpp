#include "metadata/Field.h"

#include "metadata/NumberText.h"

#include <utility>

Field Field::Text(std::string text)
{
    Field field;
    field.type = text.empty() ? Type::Empty : Type::Text;
    field.text = std::move(text);
    return field;
}

Field Field::Number(double number, std::string text)
{
    Field field;
    field.type = Type::Number;
    field.text = std::move(text);
    field.number = number;
    return field;
}

Field Field::DateTime(const DateTimeParts& moment, std::string text)
{
    Field field = Text(std::move(text));
    if (field.type == Type::Text) {
        field.type = Type::DateTime;
        field.moment = moment;
    }
    return field;
}

Field Field::Fixed(double value, int decimals)
{
    std::string text = FormatFixed(value, decimals);
    const std::optional<double> shown = PlainDecimal(text);
    // Infinity and NaN have no number a file could show; their text says what they are.
    return shown ? Number(*shown, std::move(text)) : Text(std::move(text));
}
