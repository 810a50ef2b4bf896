# The Debian package installs into a scratch root (dpkg -x) and its CLI
# runs from there; its metainfo validates.
set(work "${BUILD}/package-test")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}/root")
execute_process(COMMAND cpack -G DEB -B "${work}" WORKING_DIRECTORY "${BUILD}"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(GLOB debs "${work}/quorvel_*_amd64.deb")
if(NOT rc EQUAL 0 OR NOT debs)
  message(FATAL_ERROR "cpack failed (${rc}): ${out}")
endif()
list(GET debs 0 deb)
execute_process(COMMAND dpkg -x "${deb}" "${work}/root" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg -x failed on ${deb}")
endif()
foreach(path usr/bin/quorvel usr/bin/quorvel-cli usr/bin/quorvel-picture usr/bin/quorvel-gap usr/share/man/man1/quorvel.1 usr/share/man/man1/quorvel-cli.1
        usr/share/applications/quorvel.desktop usr/share/icons/hicolor/256x256/apps/quorvel.png
        usr/share/doc/quorvel/help/index.html usr/share/metainfo/io.github.quorvel.Quorvel.metainfo.xml)
  if(NOT EXISTS "${work}/root/${path}")
    message(FATAL_ERROR "the package lacks ${path}")
  endif()
endforeach()
execute_process(COMMAND "${work}/root/usr/bin/quorvel-cli" analyze "x^2-t"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "branch loci: 1")
  message(FATAL_ERROR "the installed CLI failed (${rc}): ${out} ${err}")
endif()
execute_process(COMMAND "${work}/root/usr/bin/quorvel-cli" picture "x^2-t" -o "${work}/loops.svg"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT EXISTS "${work}/loops.svg")
  message(FATAL_ERROR "the installed CLI draws no picture (${rc}): ${err}")
endif()
# GAP's library is a dependency of the package (through quorvel-gap), and
# the installed CLI finds the GAP process beside it.
execute_process(COMMAND dpkg-deb -f "${deb}" Depends OUTPUT_VARIABLE depends)
if(NOT depends MATCHES "libgap")
  message(FATAL_ERROR "the package does not depend on GAP's library: ${depends}")
endif()
execute_process(COMMAND "${work}/root/usr/bin/quorvel-cli" fundamental-group "x^2-t^3"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0 OR NOT out MATCHES "abelianization: Z ")
  message(FATAL_ERROR "the installed CLI computes no fundamental group (${rc}): ${out} ${err}")
endif()
execute_process(COMMAND "${work}/root/usr/bin/quorvel" --version RESULT_VARIABLE rc OUTPUT_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "^quorvel [0-9]+\\.[0-9]+\\.[0-9]+")
  message(FATAL_ERROR "the installed program does not tell its version: ${out}")
endif()
execute_process(COMMAND appstreamcli validate --no-net
  "${work}/root/usr/share/metainfo/io.github.quorvel.Quorvel.metainfo.xml"
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "appstreamcli rejects the metainfo: ${out}")
endif()
file(REMOVE_RECURSE "${work}")
