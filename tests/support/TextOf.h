#pragma once

#include "metadata/PhotoValues.h"

#include <string>
#include <type_traits>

// A value operation's text, whether the operation gives a text or a typed field, so that one
// table of cases can hold both.
template <auto Operation>
std::string TextOf(const PhotoValues& values)
{
    if constexpr (std::is_same_v<decltype((values.*Operation)()), Field>)
        return (values.*Operation)().text;
    else
        return (values.*Operation)();
}
