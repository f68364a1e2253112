#pragma once
// Makes the service's components available through ComponentFactory.

void RegisterRksComponents();
