#pragma once
#include "platform/Errors.h"
#include <exception>

namespace vorlix {

void reportFailure(const std::exception &e);
void reportUnknownFailure();

template <typename Fn>
bool guarded(Fn &&fn)
{
    try {
        fn();
        return true;
    } catch (const std::exception &e) {
        reportFailure(e);
    } catch (...) {
        reportUnknownFailure();
    }
    return false;
}

} // namespace vorlix
