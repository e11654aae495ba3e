// The program's pseudo-random generator (one per program, UI thread only).
#pragma once

#include <cstdint>

// Reseeds the generator from the clock, unless a test has fixed the seed with RandSeed:
// then Randomize reseeds with that fixed seed, so the sequence after it is known.
void Randomize();

// An integer r with 0 <= r < range, every value equally likely; 0 when range <= 0.
int Random(int range);

// Seeds the generator with `seed` now, and makes every later Randomize use that seed too.
void RandSeed(std::uint32_t seed);
// Lets Randomize use the clock again.
void ClearRandSeed();
