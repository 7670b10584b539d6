#pragma once
// A transmitter that notes each key and release with the time it came, and can be told to refuse.

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ptt/transmitter.h"

namespace tornel::test {

class FakeTransmitter : public ptt::Transmitter {
  public:
    struct Edge {
        std::chrono::steady_clock::time_point at;
        bool keyed;
    };

    void Key() override { Note(true, refuseKey); }
    void Release() override { Note(false, refuseRelease); }
    const std::string& Label() const override { return label; }

    std::vector<Edge> Edges() const {
        std::lock_guard lock(mutex);
        return edges;
    }
    std::vector<bool> Levels() const {
        std::vector<bool> levels;
        for (const Edge& e : Edges()) {
            levels.push_back(e.keyed);
        }
        return levels;
    }

    std::string label = "тестовый передатчик";
    bool refuseKey = false;
    bool refuseRelease = false;
    std::function<void(bool keyed)> onEdge;  // runs at each key and release

  private:
    void Note(bool keyed, bool refuse) {
        if (refuse) {
            throw ptt::PttError(label + ": отказ");
        }
        // Before the edge shows in Edges(): a test that waits for it reads what onEdge noted.
        if (onEdge) {
            onEdge(keyed);
        }
        std::lock_guard lock(mutex);
        edges.push_back({std::chrono::steady_clock::now(), keyed});
    }

    mutable std::mutex mutex;
    std::vector<Edge> edges;
};

// What a window opens: it goes to the test's FakeTransmitter, which outlives the window's runs.
class ForwardingTransmitter : public ptt::Transmitter {
  public:
    explicit ForwardingTransmitter(FakeTransmitter& to) : to_(to) {}
    void Key() override { to_.Key(); }
    void Release() override { to_.Release(); }
    const std::string& Label() const override { return to_.Label(); }

  private:
    FakeTransmitter& to_;
};

// An opener that hands out `tx` and counts the opens; with `refuseOpen` it fails as a missing
// device would.
struct FakeOpener {
    FakeTransmitter tx;
    int opens = 0;
    bool refuseOpen = false;

    ptt::TransmitterOpener Opener() {
        return [this](const ptt::PttChoice& choice) -> std::unique_ptr<ptt::Transmitter> {
            ++opens;
            if (refuseOpen) {
                throw ptt::PttError(ptt::TransmitterLabel(choice) + ": нет устройства " +
                                    choice.device);
            }
            return std::make_unique<ForwardingTransmitter>(tx);
        };
    }
};

}  // namespace tornel::test
