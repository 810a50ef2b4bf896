// Builds flat point lists for tests.
#pragma once

#include <initializer_list>
#include <vector>

#include "engine/points.h"

namespace quorvel::testing {

inline OwnedPolynomial points(std::initializer_list<Complex> values) {
    PointList list = nullptr;
    OwnedPolynomial owner;
    for (const Complex &v : values) {
        appendPoint(list, v);
        if (!owner) owner.reset(list);
    }
    return owner;
}

inline std::vector<Complex> byPosition(Term *list) {
    std::vector<Complex> out;
    for (int i = 0; i < countPoints(list); ++i) out.push_back(pointAt(list, i));
    return out;
}

}  // namespace quorvel::testing
