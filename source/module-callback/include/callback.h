// Reference-counted callbacks between the layers of the modem link stack.
//
// A Callback<Arg> is a cheap value handle on a shared body. The body decides
// what an invocation does: Nil_callback_body is the empty callback (owners keep
// an "is set" flag and never invoke it), Member_callback_body calls a member
// function on an object. Arg is a pointer to one of the callback records
// (Tac_callback_object, Tac_lower_protocol_send_callback_object).
//
// Contract violations are reported by VQ_ASSERT, which stays active in every
// build: the checks guard reference counts and cost one comparison each. The
// report names the expression, this file and the line, then aborts.

#ifndef VQ_CALLBACK_H
#define VQ_CALLBACK_H

#include <cstdint>
#include <cstdio>
#include <cstdlib>
namespace vq {

[[noreturn]] inline void contract_violation(const char* expression, const char* file, int line,
                                            const char* function)
{
    std::fprintf(stderr, "%s:%d: %s: Assertion `%s' failed.\n", file, line, function, expression);
    std::fflush(stderr);
    std::abort();
}

} // namespace vq

#define VQ_ASSERT(expression)                                                                      \
    ((expression) ? static_cast<void>(0)                                                           \
                  : ::vq::contract_violation(#expression, __FILE__, __LINE__, __func__))

// The abstract body. _cnt counts the Callback handles that share it; a body is
// created with one reference, owned by the handle that receives it.
template <typename Arg>
class Base_callback_body
{
public:
    Base_callback_body() = default;
    Base_callback_body(const Base_callback_body&) = delete;
    Base_callback_body& operator=(const Base_callback_body&) = delete;
    virtual ~Base_callback_body() = default;
    virtual void invoke(Arg arg) = 0;

    void add_reference() { ++_cnt; }

    // Drops one reference and deletes the body when none is left.
    void release()
    {
        VQ_ASSERT(_cnt > 0);
        if (--_cnt == 0) {
            delete this;
        }
    }

    std::int32_t _cnt = 1;
};

// The empty callback: a default Callback holds one. Invoking it is a contract
// violation, since owners test their "is set" flag before every call. A Nil
// body is what an owner installs when it clears a callback, so that every
// handle always holds a body and copying a handle never meets a null one.
// Nil bodies exist for both record types.
template <typename Arg>
class Nil_callback_body : public Base_callback_body<Arg>
{
public:
    Nil_callback_body() = default;

    // The parameter is unnamed: nothing can be done with it.
    //
    // Reaching this is a programming error in the owner of the callback, never
    // a consequence of received data.
    void invoke(Arg) override
    {
        // Owners test their "is set" flag first, so this is never reached
        // from received data.
        VQ_ASSERT(false);
    }
};

// Calls `member` on `object` with the argument. R is the member's return
// type; its value is discarded.
template <typename Arg, typename T, typename R = void>
class Member_callback_body : public Base_callback_body<Arg>
{
public:
    using Member = R (T::*)(Arg);

    Member_callback_body(T* object, Member member) : _object(object), _member(member) {}

    void invoke(Arg arg) override { (_object->*_member)(arg); }

    T* object() const { return _object; }
    Member member() const { return _member; }

private:
    T* _object;
    Member _member;
};

// The value handle. Copies share the body; the last handle deletes it.
//
// Owners hold handles by value next to an "is set" flag:
//
//     Callback<Tac_callback_object*> receive;   // Nil until set
//     bool receive_set = false;
//     ...
//     receive = make_member_callback(handler, &Tac1_message_handler::receive);
//     receive_set = true;
//     ...
//     if (receive_set) {
//         receive(&record);
//     }
//
// Handles are not thread-aware: the whole stack runs on one thread. Assigning
// a handle that holds the same body changes nothing; assigning another body
// releases this handle's reference first.
template <typename Arg>
class Callback
{
public:
    // A Nil callback.
    Callback() : _body(new Nil_callback_body<Arg>) {}

    // Takes over a freshly created body (its _cnt is 1 and belongs to this
    // handle), for example: Callback<A*>(new Member_callback_body<A*, T>(this, &T::f)).
    explicit Callback(Base_callback_body<Arg>* body) : _body(body) { VQ_ASSERT(body != nullptr); }

    Callback(const Callback& callback) : _body(nullptr) { take(callback); }

    Callback& operator=(const Callback& callback)
    {
        if (callback._body != _body) {
            _body->release();
            take(callback);
        }
        return *this;
    }

    ~Callback() { _body->release(); }
    void invoke(Arg arg) const { _body->invoke(arg); }
    void operator()(Arg arg) const { _body->invoke(arg); }

    // True when this handle holds an empty callback.
    bool is_nil() const { return dynamic_cast<Nil_callback_body<Arg>*>(_body) != nullptr; }

    Base_callback_body<Arg>* _body;

private:
    void take(const Callback& callback)
    {
        VQ_ASSERT(callback._body);
        _body = callback._body;
        _body->add_reference();
    }
};

// Builds a Callback that calls object->member(arg).
template <typename Arg, typename T, typename R>
Callback<Arg> make_member_callback(T* object, R (T::*member)(Arg))
{
    return Callback<Arg>(new Member_callback_body<Arg, T, R>(object, member));
}

#endif // VQ_CALLBACK_H
