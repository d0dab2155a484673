#pragma once
#include <QObject>
#include <functional>

namespace engine {

// Opening libmpv loads a hundred and more libraries: about 150 ms of a core, during which the
// dynamic loader's lock is held and every other thread that loads a library (Qt's plugins,
// Chromium) waits, and about 50 MiB that stay. The shell holds the engines back from its start
// until the user heads for a play; an engine made meanwhile opens libmpv and starts once they are
// let go, or at once when it is asked to play.
void hold_engines();
void let_engines_start();

// Runs `start` now, or once engines may start; not at all when `context` has gone by then.
void when_engines_may_start(QObject* context, std::function<void()> start);

}  // namespace engine
