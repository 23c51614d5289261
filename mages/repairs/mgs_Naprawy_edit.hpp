// The repair order page (page 31): one repair ("Naprawy_Id") with the
// sections of its state.  For now the page shows the repair; its buttons
// (the state transitions) are not acted on yet.
#pragma once

// Shows repair "Naprawy_Id" to a user who may open it (mgs_Naprawy_allow),
// else the refusal; a repair that does not exist is said in red.  0.
int mgs_Naprawy_edit(const char* action);
