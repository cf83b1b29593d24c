#pragma once
// A window's debugger: its controller, and each Run on a worker thread so that the window
// keeps answering. The session takes what the window showed (text, selection) on the
// window's thread, runs the controller on a worker, and hands every call the controller
// makes of the view back to the window's thread through the one `post` function the
// front end gives it. The window's view is only ever called on the window's thread; a
// message from a run holds the run until the user has dismissed it.
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/debugger_controller.h"

namespace vuro_plugin {

class run_session {
public:
    // Hands a call to the window's thread, which makes the calls in the order they were
    // handed over. Called from the worker; a call never made (the window went first) is
    // simply dropped.
    using post_function = std::function<void(std::function<void()>)>;

    run_session(debugger_view& view, std::u16string plugin_folder, controller_options options,
                post_function post);
    // Stops a run still going and waits for its worker.
    ~run_session();
    run_session(const run_session&) = delete;
    run_session& operator=(const run_session&) = delete;

    // The rest on the window's thread only, but for stop().

    // Refresh, unless a run goes.
    void refresh();
    // Made on the window's thread with what the run came to, once it has shown everything.
    using finished_function = std::function<void(const run_result&)>;
    // Starts a Run of `request` unless one goes (false then).
    bool start(run_request request, finished_function finished = {});
    bool running() const { return worker_.joinable(); }
    // From any thread: the run's interpreter is ended and the run ends soon, showing what
    // was captured and a notice; the window stays.
    void stop();
    // Stops the run and returns once its worker has ended; what the run still had for the
    // window is dropped (the window is going).
    void stop_and_wait();

    debugger_controller& controller() { return controller_; }

private:
    class posting_view;
    struct run_state;

    void finish(const run_result& result);

    std::unique_ptr<posting_view> view_;
    debugger_controller controller_;
    post_function post_;
    std::shared_ptr<run_state> run_;
    finished_function finished_;
    std::thread worker_;
};

}  // namespace vuro_plugin
