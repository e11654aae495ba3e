#include "platform/Random.h"

#include <chrono>
#include <optional>
#include <random>

namespace {
std::mt19937 &Generator()
{
    static std::mt19937 generator(5489u);
    return generator;
}
std::optional<std::uint32_t> gFixedSeed;
}

void Randomize()
{
    if (gFixedSeed) {
        Generator().seed(*gFixedSeed);
        return;
    }
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    Generator().seed(std::uint32_t(ticks) ^ std::uint32_t(std::uint64_t(ticks) >> 32));
}

int Random(int range)
{
    if (range <= 0)
        return 0;
    std::uniform_int_distribution<int> distribution(0, range - 1);
    return distribution(Generator());
}

void RandSeed(std::uint32_t seed)
{
    gFixedSeed = seed;
    Generator().seed(seed);
}

void ClearRandSeed()
{
    gFixedSeed.reset();
}
