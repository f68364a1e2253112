#pragma once
// The application's one communication handler, as the main frame holds it.
// Data groups and windows reach it here; tests put one of their own in.

class CCommHandler;

void SetAppCommHandler(CCommHandler* handler);
[[nodiscard]] CCommHandler* AppCommHandler();
