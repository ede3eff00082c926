#include "host/TickSource.h"

#include "platform/HotPath.h"

#include <QAbstractEventDispatcher>

#include <glib.h>

#include <algorithm>

struct TickSource::Source {
    GSource base;
    TickSource* owner;
};

void TickSource::Unref::operator()(GSource* source) const {
    g_source_destroy(source);
    g_source_unref(source);
}

TickSource::TickSource(std::function<void()> fire) : fire_(std::move(fire)) {
    auto* loop = QAbstractEventDispatcher::instance();
    if (!loop || !loop->inherits("QEventDispatcherGlib")) {
        QObject::connect(&fallback_, &QTimer::timeout, [this] { fire_(); });
        return;
    }
    static GSourceFuncs funcs = {nullptr, nullptr, &TickSource::dispatch,
                                 nullptr, nullptr, nullptr};
    source_.reset(g_source_new(&funcs, sizeof(Source)));
    reinterpret_cast<Source*>(source_.get())->owner = this;
    // Qt's loop on another thread runs that thread's own context.
    g_source_attach(source_.get(), g_main_context_get_thread_default());
}

TickSource::~TickSource() = default;

void TickSource::start(int milliseconds) {
    active_ = true;
    interval_ = std::max(milliseconds, 0);
    if (!source_) return fallback_.start(interval_);
    due_ = g_get_monotonic_time() + interval_ * 1000LL;
    g_source_set_ready_time(source_.get(), due_);
}

void TickSource::stop() {
    active_ = false;
    if (!source_) return fallback_.stop();
    g_source_set_ready_time(source_.get(), -1);
}

HOT_PATH int TickSource::dispatch(GSource* source, int (*)(void*), void*) {
    TickSource* self = reinterpret_cast<Source*>(source)->owner;
    // The next tick keeps the beat; one missed altogether counts from now.
    const long long now = g_get_monotonic_time();
    self->due_ += self->interval_ * 1000LL;
    if (self->due_ <= now) self->due_ = now + self->interval_ * 1000LL;
    g_source_set_ready_time(source, self->due_);
    // The call may stop or restart this timer: nothing after it.
    self->fire_();
    return G_SOURCE_CONTINUE;
}
