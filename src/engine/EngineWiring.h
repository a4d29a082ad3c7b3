#pragma once
// Hooks the engine's workers into the activity cycle's steps. The cycle
// knows only its steps; the workers do not know the cycle.
class ActivityScheduler;
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
