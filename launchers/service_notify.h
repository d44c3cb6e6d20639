// Status reports of a running service to systemd, through the sd_notify datagram protocol:
// one datagram of newline-separated VAR=value assignments to the AF_UNIX socket named in
// $NOTIFY_SOCKET. Without that variable (a run from a shell) every report is dropped.
#pragma once

namespace tarn::service {

enum class ServiceState { StartPending, Running, StopPending, Stopped };

// Takes $NOTIFY_SOCKET and removes it from the environment, so that programs the service
// starts do not report in its name.
void OpenStatusReports();

// Sends the report of one state; safe to call from any thread.
void ReportState(ServiceState state);

}  // namespace tarn::service
