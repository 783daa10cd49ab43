#pragma once
// The production's scenes in running order. It only ever grows: from room
// for 16 scenes, by 4 at a time.
#include <cstddef>
#include <memory>
#include <vector>

#include "app/scene.h"

namespace zint {

class SceneList {
public:
    static constexpr std::size_t kInitialCapacity = 16;
    static constexpr std::size_t kGrowth = 4;

    SceneList() { items.reserve(kInitialCapacity); }

    void Append(std::unique_ptr<Scene> scene) {
        if (items.size() >= capacity) {
            capacity += kGrowth;
            items.reserve(capacity);
        }
        items.push_back(std::move(scene));
    }

    std::size_t Count() const { return items.size(); }
    std::size_t Capacity() const { return capacity; }
    Scene& operator[](std::size_t index) const { return *items[index]; }

private:
    std::vector<std::unique_ptr<Scene>> items;
    std::size_t capacity = kInitialCapacity;
};

}  // namespace zint
