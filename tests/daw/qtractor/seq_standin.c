/* A stand-in for the ALSA sequencer, preloaded into Qtractor on machines
 * without /dev/snd/seq (containers, VMs): every snd_seq_* call that takes a
 * sequencer handle answers here as a sequencer with no other clients would,
 * so Qtractor starts its engine; audio still goes through JACK. The calls
 * that only fill or read ALSA's records stay ALSA's own. */
#include <errno.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

typedef struct {
    int pipe[2]; /* a descriptor to poll that never has input */
    int ports;
} standin;

int snd_seq_open(void **seq, const char *name, int streams, int mode) {
    standin *s = calloc(1, sizeof *s);
    if (!s || pipe(s->pipe) != 0) {
        free(s);
        return -ENOMEM;
    }
    *seq = s;
    return 0;
}

int snd_seq_close(void *seq) {
    standin *s = seq;
    if (s) {
        close(s->pipe[0]);
        close(s->pipe[1]);
        free(s);
    }
    return 0;
}

int snd_seq_client_id(void *seq) { return 128; }
int snd_seq_set_client_name(void *seq, const char *name) { return 0; }
int snd_seq_alloc_queue(void *seq) { return 0; }
int snd_seq_free_queue(void *seq, int q) { return 0; }
int snd_seq_create_simple_port(void *seq, const char *name, unsigned caps, unsigned type) {
    return ((standin *)seq)->ports++;
}
int snd_seq_delete_simple_port(void *seq, int port) { return 0; }
int snd_seq_poll_descriptors_count(void *seq, short events) { return 1; }
int snd_seq_poll_descriptors(void *seq, struct pollfd *pfds, unsigned space, short events) {
    if (space < 1)
        return 0;
    pfds->fd = ((standin *)seq)->pipe[0];
    pfds->events = POLLIN;
    pfds->revents = 0;
    return 1;
}
int snd_seq_event_input(void *seq, void **ev) { return -EAGAIN; }
int snd_seq_event_input_pending(void *seq, int fetch) { return 0; }
int snd_seq_event_output(void *seq, void *ev) { return 0; }
int snd_seq_event_output_direct(void *seq, void *ev) { return 0; }
int snd_seq_drain_output(void *seq) { return 0; }
int snd_seq_drop_input(void *seq) { return 0; }
int snd_seq_drop_output(void *seq) { return 0; }
int snd_seq_remove_events(void *seq, void *rmp) { return 0; }
int snd_seq_control_queue(void *seq, int q, int type, int value, void *ev) { return 0; }
int snd_seq_get_queue_status(void *seq, int q, void *status) { return 0; }
int snd_seq_get_queue_tempo(void *seq, int q, void *tempo) { return 0; }
int snd_seq_set_queue_tempo(void *seq, int q, void *tempo) { return 0; }
int snd_seq_set_queue_timer(void *seq, int q, void *timer) { return 0; }
int snd_seq_get_port_info(void *seq, int port, void *info) { return 0; }
int snd_seq_set_port_info(void *seq, int port, void *info) { return 0; }
int snd_seq_get_any_client_info(void *seq, int client, void *info) { return -ENOENT; }
int snd_seq_get_any_port_info(void *seq, int client, int port, void *info) { return -ENOENT; }
int snd_seq_query_next_client(void *seq, void *info) { return -ENOENT; }
int snd_seq_query_next_port(void *seq, void *info) { return -ENOENT; }
int snd_seq_query_port_subscribers(void *seq, void *subs) { return -ENOENT; }
int snd_seq_subscribe_port(void *seq, void *sub) { return 0; }
int snd_seq_unsubscribe_port(void *seq, void *sub) { return 0; }
