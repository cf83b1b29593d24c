#include "app/run_session.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <utility>

#include "engine/cancel_token.h"

namespace vuro_plugin {

// What one run shares between its worker and the window's thread.
struct run_session::run_state {
    bool dropped = false;  // window's thread only: the window is going, post nothing more

    std::mutex mutex;
    std::condition_variable changed;
    std::uint64_t messages_shown = 0;  // messages the user has dismissed
    bool abandoned = false;            // no message will be shown any more
};

// The controller's view: while a run goes, each call is handed to the window's thread;
// otherwise (Refresh, on the window's thread) it is made at once.
class run_session::posting_view final : public debugger_view {
public:
    posting_view(debugger_view& window, post_function post)
        : window_(window), post_(std::move(post)) {}

    // Set on the window's thread while no worker runs.
    void set_run(std::shared_ptr<run_state> run) { run_ = std::move(run); }

    bool wants_box_text() const override { return window_.wants_box_text(); }
    void clear_boxes() override {
        forward([](debugger_view& view) { view.clear_boxes(); });
    }
    // The bytes and the notice are copied (the controller's buffers are gone when the
    // window gets to them); the box text is shared.
    void append_to_box(output_box box, const box_piece& piece) override {
        forward([box, what = piece.what, bytes = std::string(piece.bytes),
                 notice = std::u16string(piece.notice), shown = piece.shown](debugger_view& view) {
            view.append_to_box(box, {what, bytes, notice, shown});
        });
    }
    void enable_refresh(bool enabled) override {
        forward([enabled](debugger_view& view) { view.enable_refresh(enabled); });
    }
    void enable_run(bool enabled) override {
        forward([enabled](debugger_view& view) { view.enable_run(enabled); });
    }
    void set_progress(int percent) override {
        forward([percent](debugger_view& view) { view.set_progress(percent); });
    }
    void show_run_going(bool going) override {
        forward([going](debugger_view& view) { view.show_run_going(going); });
    }
    void show_plugin_list(const std::vector<std::u16string>& names) override {
        forward([names](debugger_view& view) { view.show_plugin_list(names); });
    }
    void repaint() override {
        forward([](debugger_view& view) { view.repaint(); });
    }
    // Holds the worker until the user has dismissed the message, or the window is going.
    void show_message(const std::u16string& text) override {
        if (!run_) return window_.show_message(text);
        const std::shared_ptr<run_state> run = run_;
        std::uint64_t number;
        {
            const std::lock_guard<std::mutex> lock(run->mutex);
            number = ++sent_;
        }
        forward([run, number, text](debugger_view& view) {
            view.show_message(text);
            const std::lock_guard<std::mutex> lock(run->mutex);
            run->messages_shown = number;
            run->changed.notify_all();
        });
        std::unique_lock<std::mutex> lock(run->mutex);
        run->changed.wait(lock, [&] { return run->messages_shown >= number || run->abandoned; });
    }

private:
    template <class Call>
    void forward(Call call) {
        if (!run_) return call(window_);
        post_([run = run_, call = std::move(call), &window = window_]() mutable {
            if (!run->dropped) call(window);
        });
    }

    debugger_view& window_;
    post_function post_;
    std::shared_ptr<run_state> run_;
    std::uint64_t sent_ = 0;  // messages handed over (worker only)
};

run_session::run_session(debugger_view& view, std::u16string plugin_folder,
                         controller_options options, post_function post)
    : view_(std::make_unique<posting_view>(view, post)),
      controller_(*view_, std::move(plugin_folder), std::move(options)),
      post_(std::move(post)) {}

run_session::~run_session() { stop_and_wait(); }

void run_session::refresh() {
    if (!running()) controller_.OnRefresh();
}

bool run_session::start(run_request request, finished_function finished) {
    if (running()) return false;
    run_ = std::make_shared<run_state>();
    finished_ = std::move(finished);
    controller_.cancellation()->reset();
    view_->set_run(run_);
    worker_ = std::thread([this, run = run_, request = std::move(request)] {
        run_result result = controller_.OnRun(request);
        // The last call handed over: every change of the run is on the window by then.
        post_([this, run, result = std::move(result)] {
            if (!run->dropped) finish(result);
        });
    });
    return true;
}

void run_session::stop() { controller_.cancellation()->cancel(); }

void run_session::finish(const run_result& result) {
    if (worker_.joinable()) worker_.join();
    view_->set_run(nullptr);
    run_.reset();
    if (auto finished = std::move(finished_)) finished(result);
}

void run_session::stop_and_wait() {
    if (!running()) return;
    stop();
    {
        const std::lock_guard<std::mutex> lock(run_->mutex);
        run_->abandoned = true;
        run_->changed.notify_all();
    }
    worker_.join();
    run_->dropped = true;
    view_->set_run(nullptr);
    run_.reset();
    finished_ = nullptr;
}

}  // namespace vuro_plugin
