// Compiles every message class once and checks what the catalogue fixes at
// compile time.
#include "tac1_messages.h"

namespace vq {

namespace {

// Every class carries its catalogue row.
#define TAC1_CLASS(name_, identifier_, kind_, partner_)                                            \
    static_assert(name_::message_identifier == (identifier_) &&                                    \
                      tac1_catalogue[tac1_find_index(identifier_)].kind == name_::message_kind,    \
                  #name_);                                                                         \
    static_assert(sizeof(name_) == sizeof(Tac1_pdu), #name_ " adds no data");
#include "tac1_catalogue.def"

} // namespace

} // namespace vq
