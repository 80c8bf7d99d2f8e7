# Thin wrapper around build.sh for those who type make.
.PHONY: run test check build setup bench
run:   ; ./build.sh run
test:  ; ./build.sh test
check: ; ./build.sh test
build: ; ./build.sh build
setup: ; ./build.sh setup
bench: ; ./build.sh bench
