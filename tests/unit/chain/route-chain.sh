#!/usr/bin/env bash
# Builds host - router - router - target in network namespaces of its own, joined by veth pairs
# with documentation addresses only and no link to anything outside, and runs a program in the
# host's namespace: route-chain.sh <loss percent at the second router> <program> [arguments]
# The chain's names and addresses reach the program in TG_CHAIN_* variables. Exit 77: skipped.
set -euo pipefail
loss=$1
shift
if [ "$(id -u)" != 0 ]; then
    echo "SKIPPED: the route chain needs root to make network namespaces"
    exit 77
fi
for tool in ip nft; do
    if ! command -v $tool >/dev/null; then
        echo "SKIPPED: $tool is not installed (scripts/packages.txt)"
        exit 77
    fi
done
p=tgrm$$
h=$p-h r1=$p-r1 r2=$p-r2 t=$p-t
cleanup() {
    for n in $h $r1 $r2 $t; do ip netns del $n 2>/dev/null || true; done
}
trap cleanup EXIT
for n in $h $r1 $r2 $t; do
    ip netns add $n
    ip -n $n link set lo up
    # The routers answer every probe: no rate limit on ICMP errors.
    ip netns exec $n sysctl -qw net.ipv4.icmp_ratelimit=0 net.ipv6.icmp.ratelimit=0
    # Addresses usable at once: no duplicate detection on links that only this chain sees.
    ip netns exec $n sysctl -qw net.ipv6.conf.all.accept_dad=0 net.ipv6.conf.default.accept_dad=0
done
# Created inside the namespaces: no interface ever shows in the namespace this runs in.
ip -n $h link add ha type veth peer name r1a netns $r1
ip -n $r1 link add r1b type veth peer name r2b netns $r2
ip -n $r2 link add r2c type veth peer name tc netns $t
address() { # namespace device v4 v6
    ip -n $1 addr add $3 dev $2
    ip -n $1 addr add $4 dev $2 nodad
    ip -n $1 link set $2 up
}
address $h ha 198.51.100.2/24 2001:db8:a::2/64
address $r1 r1a 198.51.100.1/24 2001:db8:a::1/64
address $r1 r1b 203.0.113.1/25 2001:db8:b::1/64
address $r2 r2b 203.0.113.2/25 2001:db8:b::2/64
address $r2 r2c 203.0.113.129/25 2001:db8:c::1/64
address $t tc 203.0.113.130/25 2001:db8:c::2/64
for n in $r1 $r2; do
    ip netns exec $n sysctl -qw net.ipv4.ip_forward=1 net.ipv6.conf.all.forwarding=1
done
# A router address swapped in: the new one takes the old one's place as the primary.
ip netns exec $r2 sysctl -qw net.ipv4.conf.r2b.promote_secondaries=1
ip -n $h route add default via 198.51.100.1
ip -n $h -6 route add default via 2001:db8:a::1
ip -n $r1 route add 203.0.113.128/25 via 203.0.113.2
ip -n $r1 -6 route add 2001:db8:c::/64 via 2001:db8:b::2
ip -n $r2 route add 198.51.100.0/24 via 203.0.113.1
ip -n $r2 -6 route add 2001:db8:a::/64 via 2001:db8:b::1
ip -n $t route add default via 203.0.113.129
ip -n $t -6 route add default via 2001:db8:c::1
# The second router loses that share of what it forwards towards the target.
ip netns exec $r2 nft -f - <<NFT
table inet tgloss {
    chain forward {
        type filter hook forward priority 0;
        iifname "r2b" numgen random mod 100 < $loss drop
    }
}
NFT
# Neighbours found before the test starts its clock.
for target in 203.0.113.130 2001:db8:c::2; do
    for try in 1 2 3 4 5 6 7 8 9 10; do
        if ip netns exec $h ping -c1 -W1 -q $target >/dev/null; then break; fi
    done
done
export TG_CHAIN_HOST=$h TG_CHAIN_ROUTER1=$r1 TG_CHAIN_ROUTER2=$r2 TG_CHAIN_TARGET=$t
export TG_CHAIN_LOSS=$loss
ip netns exec $h "$@"
