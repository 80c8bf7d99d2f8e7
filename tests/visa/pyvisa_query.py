# Lists the resources of the VISA library named on the command line and asks each for its
# identification, through pyvisa's ctypes front end.
import sys

import pyvisa

rm = pyvisa.ResourceManager(sys.argv[1])
names = rm.list_resources()
print("resources:", " ".join(names))
for name in names:
    instrument = rm.open_resource(name, read_termination="\n", write_termination="\n")
    instrument.timeout = 5000
    print("query:", name, "->", instrument.query("*IDN?"))
    instrument.close()
rm.close()
print("done")
