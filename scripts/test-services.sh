#!/usr/bin/env bash
# Starts or stops the services the tests talk to: a private print server
# (cupsd) with its configuration, spool, logs and job output under
# <build dir>/cups, reachable only through <build dir>/cups/cups.sock.
#
#   scripts/test-services.sh start|stop <build dir>
#
# Tests find the server through that socket path (they set CUPS_SERVER for
# themselves); nothing is exported to the caller's environment. When the
# server cannot be started (no root, no cupsd) the printing tests skip.
#
# Queues made here:
#   VelloraPDF     PDF printer (PPD), writes each job to out/VelloraPDF.pdf
#   VelloraPS      PostScript printer (PPD), writes each job to out/VelloraPS.ps
#   VelloraClosed  a queue that rejects jobs; the program lists it with its state
#   VelloraColor   colour laser PPD (pxlcolor) with its duplexer installed
#   VelloraNoDuplex the same PPD without the duplexer
#   VelloraCupsPdf the cups-pdf PPD (every size borderless, default A4)
#   VelloraOffice  an office PPD with trays and paper/tray/duplex constraints
#   VelloraPhoto   a photo printer PPD of our own (made from the generic PDF
#                  one): glossy paper needs the photo feed
# The last four are stopped (cupsdisable): their jobs wait in the queue with
# every attribute readable, and no filter renders them.
set -uo pipefail

action=${1:-}
build=${2:-}
if [[ -z "$action" || -z "$build" ]]; then
    echo "usage: $0 start|stop <build dir>" >&2
    exit 2
fi
build=$(cd "$build" && pwd)
dir="$build/cups"
sock="$dir/cups.sock"
pidfile="$dir/cupsd.pid"

stop() {
    if [[ -f "$pidfile" ]]; then
        local pid
        pid=$(cat "$pidfile")
        if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null
            for _ in $(seq 50); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
        fi
        rm -f "$pidfile"
    fi
    rm -f "$dir/ready"
}

skip() {
    echo "test-services: private print server not started ($1); printing tests will skip" >&2
    exit 0
}

# lpadmin warns on every PPD queue that drivers are deprecated; keep the rest.
admin() {
    lpadmin "$@" 2> >(grep -v "drivers are deprecated" >&2)
}

start() {
    stop
    command -v cupsd >/dev/null 2>&1 || [[ -x /usr/sbin/cupsd ]] || skip "cupsd is not installed"
    [[ $(id -u) -eq 0 ]] || skip "cupsd needs root to run"
    id lp >/dev/null 2>&1 || skip "there is no user lp"

    rm -rf "$dir"
    mkdir -p "$dir"/{spool/tmp,cache,state/certs,log,ppd,out}
    chown -R lp:lp "$dir"/spool "$dir"/cache "$dir"/out
    chmod 0710 "$dir/spool"
    chmod 1777 "$dir/spool/tmp" "$dir/out"
    chmod 0755 "$dir"

    cat >"$dir/cups-files.conf" <<EOF
User lp
Group lp
SystemGroup root
FileDevice Yes
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
EOF
    cat >"$dir/cupsd.conf" <<EOF
Listen $sock
Browsing No
LogLevel warn
WebInterface No
DefaultAuthType None
MaxJobs 200
PreserveJobHistory Yes
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
    # In the foreground (-f) under our own process id, so that stop ends
    # exactly this server and no other.
    setsid /usr/sbin/cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" \
        </dev/null >"$dir/log/cupsd.out" 2>&1 &
    echo $! >"$pidfile"
    for _ in $(seq 100); do
        [[ -S "$sock" ]] && break
        sleep 0.1
    done
    if [[ ! -S "$sock" ]]; then
        stop
        skip "cupsd did not open $sock, see $dir/log/error_log"
    fi

    export CUPS_SERVER="$sock"
    local ok=1
    admin -p VelloraPDF -E -v "file://$dir/out/VelloraPDF.pdf" \
        -m lsb/usr/cupsfilters/Generic-PDF_Printer-PDF.ppd -o printer-is-shared=false || ok=0
    admin -p VelloraPS -E -v "file://$dir/out/VelloraPS.ps" \
        -m drv:///sample.drv/generic.ppd -o printer-is-shared=false || ok=0
    admin -p VelloraClosed -E -v "file:///dev/null" \
        -m drv:///sample.drv/generic.ppd -o printer-is-shared=false || ok=0
    cupsreject VelloraClosed || ok=0
    local ppds=/usr/share/ppd
    admin -p VelloraColor -E -v "file:///dev/null" -P "$ppds/cupsfilters/pxlcolor.ppd" \
        -o printer-is-shared=false -o OptionDuplex=True || ok=0
    admin -p VelloraNoDuplex -E -v "file:///dev/null" -P "$ppds/cupsfilters/pxlcolor.ppd" \
        -o printer-is-shared=false || ok=0
    admin -p VelloraCupsPdf -E -v "file:///dev/null" -P "$ppds/cups-pdf/CUPS-PDF_opt.ppd" \
        -o printer-is-shared=false || ok=0
    admin -p VelloraOffice -E -v "file:///dev/null" -P "$ppds/cupsfilters/Fuji_Xerox-DocuPrint_CM305_df-PDF.ppd" \
        -o printer-is-shared=false -L "2F office" || ok=0
    local photo="$dir/vellora-photo.ppd"
    sed -e 's/^\*NickName:.*/*NickName: "Vellora Photo Test"/' -e 's/^\*ShortNickName:.*/*ShortNickName: "Vellora Photo Test"/' \
        "$ppds/cupsfilters/Generic-PDF_Printer-PDF.ppd" >"$photo"
    cat >>"$photo" <<'PPD'
*OpenUI *VelloraPaper/Photo Paper: PickOne
*OrderDependency: 10 AnySetup *VelloraPaper
*DefaultVelloraPaper: Plain
*VelloraPaper Plain/Plain: ""
*VelloraPaper Glossy/Glossy: ""
*CloseUI: *VelloraPaper
*OpenUI *VelloraFeed/Photo Feed: PickOne
*OrderDependency: 10 AnySetup *VelloraFeed
*DefaultVelloraFeed: Main
*VelloraFeed Main/Main Tray: ""
*VelloraFeed Photo/Photo Tray: ""
*CloseUI: *VelloraFeed
*UIConstraints: *VelloraPaper Glossy *VelloraFeed Main
*UIConstraints: *VelloraFeed Main *VelloraPaper Glossy
PPD
    admin -p VelloraPhoto -E -v "file:///dev/null" -P "$photo" -o printer-is-shared=false || ok=0
    for q in VelloraColor VelloraNoDuplex VelloraCupsPdf VelloraOffice VelloraPhoto; do
        cupsdisable "$q" || ok=0
    done
    admin -d VelloraPDF || ok=0
    if [[ $ok -ne 1 ]]; then
        stop
        skip "the test queues could not be created"
    fi
    echo "$sock" >"$dir/ready"
    echo "test-services: private print server on $sock" >&2
}

case "$action" in
    start) start ;;
    stop) stop ;;
    *) echo "usage: $0 start|stop <build dir>" >&2; exit 2 ;;
esac
