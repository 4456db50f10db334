// A small CLAP host for the tests: loads a module's clap_entry, creates the
// plug-in through its factory and drives it as hosts do (activate, process
// with events, state through streams). It records what the plug-in sends
// back (output events, flush and rescan requests) and answers the host
// extensions a test sets.
#pragma once

#include "clap/clap_api.h"

#include <cstring>
#include <string>
#include <vector>

namespace sorrel::test {

// Parameter and gesture events as a host sends or receives them.
struct ParamEvent {
    uint32_t time;
    uint16_t type; // kClapEventParamValue, ...GestureBegin, ...GestureEnd
    clap_id id;
    double value;
};

class ClapHost {
  public:
    ClapHost() {
        record.clap_version = kClapVersion;
        record.host_data = this;
        record.name = "sorrel test host";
        record.vendor = "Quillmark";
        record.url = "";
        record.version = "1";
        record.get_extension = [](const clap_host_t *h, const char *id) -> const void * {
            auto *self = static_cast<ClapHost *>(h->host_data);
            if (std::strcmp(id, kClapExtParams) == 0)
                return &self->params;
            if (std::strcmp(id, kClapExtTimerSupport) == 0 && self->offerTimers)
                return &self->timers;
            if (std::strcmp(id, kClapExtGui) == 0)
                return &self->gui;
            return nullptr;
        };
        record.request_restart = [](const clap_host_t *) {};
        record.request_process = [](const clap_host_t *) {};
        record.request_callback = [](const clap_host_t *h) { ++static_cast<ClapHost *>(h->host_data)->callbacks; };
        params.rescan = [](const clap_host_t *h, uint32_t flags) {
            static_cast<ClapHost *>(h->host_data)->rescans.push_back(flags);
        };
        params.clear = [](const clap_host_t *, clap_id, uint32_t) {};
        params.request_flush = [](const clap_host_t *h) { ++static_cast<ClapHost *>(h->host_data)->flushRequests; };
        timers.register_timer = [](const clap_host_t *h, uint32_t period, clap_id *id) {
            auto *self = static_cast<ClapHost *>(h->host_data);
            self->timerPeriod = period;
            *id = 7;
            return true;
        };
        timers.unregister_timer = [](const clap_host_t *h, clap_id) {
            static_cast<ClapHost *>(h->host_data)->timerPeriod = 0;
            return true;
        };
        gui.resize_hints_changed = [](const clap_host_t *) {};
        gui.request_resize = [](const clap_host_t *h, uint32_t w, uint32_t hh) {
            static_cast<ClapHost *>(h->host_data)->resizes.push_back({w, hh});
            return true;
        };
        gui.request_show = [](const clap_host_t *) { return false; };
        gui.request_hide = [](const clap_host_t *) { return false; };
        gui.closed = [](const clap_host_t *, bool) {};
    }
    ClapHost(const ClapHost &) = delete;
    ClapHost &operator=(const ClapHost &) = delete;

    const clap_host_t *host() const { return &record; }

    bool offerTimers = true;
    uint32_t timerPeriod = 0;
    int callbacks = 0;
    int flushRequests = 0;
    std::vector<uint32_t> rescans;
    std::vector<std::pair<uint32_t, uint32_t>> resizes;

  private:
    clap_host_t record{};
    clap_host_params_t params{};
    clap_host_timer_support_t timers{};
    clap_host_gui_t gui{};
};

// An input event list over a vector; null entries stand for events a host
// failed to give.
class InputEvents {
  public:
    explicit InputEvents(const std::vector<ParamEvent> &events) {
        for (const ParamEvent &e : events) {
            clap_event_param_value_t v{};
            v.header = {sizeof v, e.time, kClapCoreEventSpace, e.type, 0};
            v.param_id = e.id;
            v.note_id = v.port_index = v.channel = v.key = -1;
            v.value = e.value;
            stored.push_back(v);
        }
        list.ctx = this;
        list.size = [](const clap_input_events_t *l) {
            return static_cast<uint32_t>(static_cast<InputEvents *>(l->ctx)->stored.size());
        };
        list.get = [](const clap_input_events_t *l, uint32_t i) -> const clap_event_header_t * {
            auto *self = static_cast<InputEvents *>(l->ctx);
            return i < self->stored.size() ? &self->stored[i].header : nullptr;
        };
    }
    InputEvents(const InputEvents &) = delete;
    const clap_input_events_t *get() const { return &list; }

  private:
    std::vector<clap_event_param_value_t> stored;
    clap_input_events_t list{};
};

// An output event list that keeps parameter and gesture events.
class OutputEvents {
  public:
    OutputEvents() {
        list.ctx = this;
        list.try_push = [](const clap_output_events_t *l, const clap_event_header_t *e) {
            auto *self = static_cast<OutputEvents *>(l->ctx);
            if (self->refuse)
                return false;
            ParamEvent p{e->time, e->type, 0, 0};
            if (e->type == kClapEventParamValue && e->size == sizeof(clap_event_param_value_t)) {
                const auto *v = reinterpret_cast<const clap_event_param_value_t *>(e);
                p.id = v->param_id;
                p.value = v->value;
            } else if (e->size == sizeof(clap_event_param_gesture_t)) {
                p.id = reinterpret_cast<const clap_event_param_gesture_t *>(e)->param_id;
            }
            self->events.push_back(p);
            return true;
        };
    }
    OutputEvents(const OutputEvents &) = delete;
    const clap_output_events_t *get() const { return &list; }

    std::vector<ParamEvent> events;
    bool refuse = false;

  private:
    clap_output_events_t list{};
};

} // namespace sorrel::test
