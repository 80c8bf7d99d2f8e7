# Two sessions of pyvisa (ctypes front end) on one VXI-11 instrument through the VISA library
# named on the command line: lock() / unlock() (a shared lock with its own key), a second
# session that waits for the lock and then gets its own answers only, and lock_excl(), which
# keeps the other session out.
import sys
import threading
import time

import pyvisa

library, name = sys.argv[1], sys.argv[2]
rm = pyvisa.ResourceManager(library)
a = rm.open_resource(name, read_termination="\n", write_termination="\n")
b = rm.open_resource(name, read_termination="\n", write_termination="\n")
a.timeout = b.timeout = 5000


def locked_out(session):
    try:
        session.query("*IDN?")
        return "answered"
    except pyvisa.errors.VisaIOError as e:
        return str(e.error_code)


key = a.lock(timeout=1000)
print("key:", "yes" if key else "no")
print("b while a holds the lock:", locked_out(b))

events = []


def second():
    b.lock(timeout=10000)
    events.append("b locked")
    events.append("b answers " + "|".join(b.query("*IDN?") for _ in range(3)))
    b.unlock()


waiter = threading.Thread(target=second)
waiter.start()
time.sleep(0.3)
events.append("a answers " + "|".join(a.query("*OPC?") for _ in range(3)))
a.write("*OPC?")  # its answer is left unread while b has the lock
events.append("a unlocked")
a.unlock()
waiter.join()
events.append("a then reads " + a.read())
for event in events:
    print("event:", event)

a.lock_excl(timeout=1000)
print("b while a holds the exclusive lock:", locked_out(b))
a.unlock()
print("b after a unlocked:", b.query("*IDN?"))
a.close()
b.close()
rm.close()
print("done")
