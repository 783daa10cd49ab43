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

Production TrackScenes(Production production, SceneTrack& track) {
    auto buildLineUp = [build = std::move(production.buildLineUp), &track](SceneList& scenes,
                                                                           platform::Window& window) {
        auto lineUp = std::make_shared<SceneList>();
        build(*lineUp, window);
        track.count = lineUp->Count();
        for (std::size_t i = 0; i < lineUp->Count(); ++i) {
            scenes.Append(std::make_unique<TrackedScene>(lineUp, i, track));
        }
    };
    return {std::move(buildLineUp), production.module};
}

}  // namespace zint::capture
