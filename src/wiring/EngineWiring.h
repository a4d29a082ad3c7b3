#pragma once
// Hooks the engine's workers into the activity cycle's steps. The cycle
// knows only its steps; the workers do not know the cycle.
#include <memory>

class ActivityScheduler;
class AtChannel;
class ModemPort;
struct ModemStartTiming;
class HandIn;
class OutboxSender;
class RemoteServices;

// The sending step: at most one due message per cycle, over the cycle's
// channel.
void installOutboxSender(ActivityScheduler& scheduler, OutboxSender& sender);
// The hand-in step: rows of other programs into the Outbox.
void installHandIn(ActivityScheduler& scheduler, HandIn& handIn);
// The received-message step: the five remote-service passes.
void installRemoteServices(ActivityScheduler& scheduler, RemoteServices& services);
// The quiet reconnection step: a modem whose port went away without the
// operator asking is opened and set up again without any window or box.
// The channel and the port must outlive the scheduler's use of the step.
void installModemReconnect(ActivityScheduler& scheduler, AtChannel& channel, std::shared_ptr<ModemPort> port,
                           const ModemStartTiming& timing);
