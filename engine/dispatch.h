// Turning the hook library's event ring into changes of the model.
#pragma once

void ProcessWndMessages(); // drains the ring under EventLock
