#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "data/base/ErroNumerado.h"

// What `f` raises. Raising nothing fails the test and gives an error numbered 0.
inline ErroNumerado ErroDe(const std::function<void()>& f) {
    try {
        f();
    } catch (const ErroNumerado& e) {
        return e;
    }
    ADD_FAILURE() << "nothing was raised";
    return ErroNumerado(0, QString(), QString());
}
