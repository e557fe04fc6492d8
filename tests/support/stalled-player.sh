#!/bin/sh
# Stands in for a player that stops reading: its input pipe fills up.
exec sleep 120
