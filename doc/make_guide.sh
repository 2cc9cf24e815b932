#!/bin/sh
# Turns the user guide (Markdown) into one self-contained web page: styles
# inside the page, no scripts, nothing fetched from elsewhere.
# Usage: make_guide.sh CMARK-GFM GUIDE.md PAGE.html VERSION OUTPUT.html
set -eu
cmark=$1 guide=$2 page=$3 version=$4 output=$5
tmp="$output.tmp"
{
    sed -n '1,/<!-- BODY -->/p' "$page" | sed '$d'
    # A line break inside Japanese text would show as a blank in most browsers:
    # lines of one paragraph are joined where Japanese text meets. Code blocks
    # (<pre>) keep their lines.
    "$cmark" --unsafe -e table "$guide" |
        perl -CSD -0ne 'for (split /(<pre\b.*?<\/pre>)/s) {
                            unless (/^<pre\b/) {
                                s/([^\x00-\x7F])\n(?!<\/?(?:p|li|ul|ol|h\d|table|thead|tbody|tr|td|th|pre|blockquote|hr|nav|div)\b)/$1/g;
                                s/(<\/(?:code|a|strong|em)>)\n(?=[^\x00-\x7F<])/$1/g;
                                s/<p><a id="([^"]+)"><\/a><\/p>\n<h(\d)>/<h$2 id="$1">/g;
                            }
                            print;
                        }'
    sed -n '/<!-- BODY -->/,$p' "$page" | sed '1d'
} | sed "s/@VERSION@/$version/g" >"$tmp"
mv "$tmp" "$output"
