// The picture of a braid word in the "Braid Information" dialog: one strand
// per fiber point, from the names at the top down through one row per
// generator, each crossing drawn with a gap in the strand that passes under.
#pragma once

#include <QRect>
#include <QString>
#include <cstdint>
#include <vector>

#include "engine/points.h"

class QPainter;

namespace quorvel {

class BraidWord;

struct BraidPicture {
    // The white area the picture lives in, in the dialog's pixels.
    static constexpr QRect area{30, 200, 450, 380};

    // names[k] is the name of the fiber point numbered k; there is one
    // strand per name.
    std::vector<QString> names;
    std::vector<int32_t> word;

    // The names of the fiber points and the generators of the word as they
    // are now.
    static BraidPicture of(PointList fiber, const BraidWord &word);

    // Fills the area white and, when there is a word, draws the braid with
    // the painter's font. Column k (from the left) starts under the name of
    // the point numbered n - 1 - k, in that point's colour. A generator +c
    // or -c crosses the strands of columns c - 1 and c; a generator whose
    // index names no such pair of columns (a word that belongs to another
    // fiber) is drawn as a row of straight strands. A single point is one
    // straight strand.
    void paint(QPainter &painter) const;
};

}  // namespace quorvel
