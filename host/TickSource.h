#pragma once

// The player's repeating timer. Under Qt's glib event loop, the usual one
// on Linux, it is a glib source of its own that the loop calls directly; a
// QTimer's timeout first passes Qt's timer list, an event with its filters
// and a signal, which at twenty ticks a second is a fair share of what the
// ticker costs. Any other loop gets a QTimer.

#include <QTimer>

#include <functional>
#include <memory>

typedef struct _GSource GSource;

class TickSource {
public:
    explicit TickSource(std::function<void()> fire);
    ~TickSource();
    TickSource(const TickSource&) = delete;
    TickSource& operator=(const TickSource&) = delete;

    // Fires every milliseconds from now on, as QTimer::start does.
    void start(int milliseconds);
    void stop();
    bool isActive() const { return active_; }
    int interval() const { return interval_; }

private:
    struct Source;
    static int dispatch(GSource* source, int (*)(void*), void*);

    std::function<void()> fire_;
    struct Unref {
        void operator()(GSource* source) const;
    };
    std::unique_ptr<GSource, Unref> source_; // null: the QTimer serves
    QTimer fallback_;
    bool active_ = false;
    int interval_ = 0;
    long long due_ = 0; // glib's monotonic clock, microseconds
};
