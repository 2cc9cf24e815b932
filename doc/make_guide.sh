#!/bin/sh
# Turns the user guide (Markdown) into one web page: styles inside the page, no
# scripts, nothing fetched from elsewhere; the pictures of the program, when
# there are any, beside it.
# A line "<!-- picture NAME.png: CAPTION -->" in the guide shows the picture
# with its caption; lines between "<!-- with NAME.png -->" and
# "<!-- end NAME.png -->" (its numbered parts, say) are kept only with it.
# Pictures are taken from PICTURES, which must be the folder of OUTPUT.html;
# without it, or for a picture missing there, the guide says nothing of them.
# Usage: make_guide.sh CMARK-GFM GUIDE.md PAGE.html VERSION OUTPUT.html [PICTURES]
set -eu
cmark=$1 guide=$2 page=$3 version=$4 output=$5 pictures=${6:-}
tmp="$output.tmp"
{
    sed -n '1,/<!-- BODY -->/p' "$page" | sed '$d'
    PICTURES="$pictures" perl -CSD -ne '
        BEGIN { $dir = $ENV{PICTURES}; }
        sub size {  # width and height from the PNG header, or nothing when there is no picture
            my ($name) = @_;
            return () unless $dir ne "" && -s "$dir/$name";
            open(my $png, "<:raw", "$dir/$name") or return ();
            read($png, my $head, 24) == 24 or return ();
            return unpack("x16 N N", $head);
        }
        if (/^<!-- with (\S+) -->$/) { $skip = !size($1); next; }
        if (/^<!-- end \S+ -->$/) { $skip = 0; next; }
        next if $skip;
        if (/^<!-- picture (\S+): (.*) -->$/) {
            my ($name, $caption) = ($1, $2);
            my ($width, $height) = size($name);
            print qq(<figure class="shot"><img src="$name" width="$width" height="$height" alt="$caption">) .
                  qq(<figcaption>$caption</figcaption></figure>\n) if $width;
            next;
        }
        print;' "$guide" >"$tmp.md"
    # A line break inside Japanese text would show as a blank in most browsers:
    # lines of one paragraph are joined where Japanese text meets. Code blocks
    # (<pre>) keep their lines.
    "$cmark" --unsafe -e table "$tmp.md" |
        perl -CSD -0ne 'for (split /(<pre\b.*?<\/pre>)/s) {
                            unless (/^<pre\b/) {
                                s/([^\x00-\x7F])\n(?!<\/?(?:p|li|ul|ol|h\d|table|thead|tbody|tr|td|th|pre|blockquote|hr|nav|div|figure)\b)/$1/g;
                                s/(<\/(?:code|a|strong|em)>)\n(?=[^\x00-\x7F<])/$1/g;
                                s/<p><a id="([^"]+)"><\/a><\/p>\n<h(\d)>/<h$2 id="$1">/g;
                            }
                            print;
                        }'
    sed -n '/<!-- BODY -->/,$p' "$page" | sed '1d'
} | sed "s/@VERSION@/$version/g" >"$tmp"
rm -f "$tmp.md"
mv "$tmp" "$output"
