#include "tools/zint_capture/scene_track.h"

#include <memory>

namespace zint::capture {

namespace {

class TrackedScene final : public Scene {
public:
    TrackedScene(std::shared_ptr<SceneList> scenes, std::size_t index, SceneTrack& track)
        : scenes(std::move(scenes)), index(index), track(track) {}

    bool Start() override {
        track.current = index;
        return Inner().Start();
    }
    void Update(float seconds) override { Inner().Update(seconds); }
    void Render() override { Inner().Render(); }
    bool IsFinished() override { return Inner().IsFinished(); }

private:
    Scene& Inner() const { return (*scenes)[index]; }

    std::shared_ptr<SceneList> scenes;
    std::size_t index;
    SceneTrack& track;
};

}  // namespace

LineUpBuilder TrackScenes(LineUpBuilder buildLineUp, SceneTrack& track) {
    return [buildLineUp = std::move(buildLineUp), &track](SceneList& scenes, platform::Window& window) {
        auto production = std::make_shared<SceneList>();
        buildLineUp(*production, window);
        track.count = production->Count();
        for (std::size_t i = 0; i < production->Count(); ++i) {
            scenes.Append(std::make_unique<TrackedScene>(production, i, track));
        }
    };
}

}  // namespace zint::capture
