#include "swf/geometry/morphcache.h"

#include "swf/geometry/morphinterpolation.h"

#include <algorithm>

namespace swf {

namespace {

// Ratios kept per character: instances of one morph seldom show more.
constexpr size_t kRatiosPerMorph = 4;

} // namespace

MorphCache::Entry &MorphCache::at(const MorphShape &morph, quint16 ratio)
{
    auto &list = m_entries[&morph];
    ++m_uses;
    for (auto &entry : list) {
        if (entry->ratio == ratio) {
            entry->lastUse = m_uses;
            return *entry;
        }
    }
    if (list.size() >= kRatiosPerMorph) {
        auto oldest = std::min_element(list.begin(), list.end(), [](const auto &a, const auto &b) {
            return a->lastUse < b->lastUse;
        });
        list.erase(oldest);
    }
    auto entry = std::make_unique<Entry>();
    entry->ratio = ratio;
    entry->lastUse = m_uses;
    entry->shape = shapeAtRatio(morph, ratio);
    if (entry->shape)
        entry->geometry = buildShapeGeometry(*entry->shape);
    list.push_back(std::move(entry));
    return *list.back();
}

} // namespace swf
