<?xml version="1.0" encoding="UTF-8"?>
<!--
  Shows a Talvane trace log (log_talvane-NNN.xml) as a table, newest entry
  first: time, severity in colour, module, message and source line.

  The log names this file in its xml-stylesheet instruction, and the console
  copies it into the log folder, so a browser that applies local stylesheets
  shows the table when the log is opened. Otherwise:
      xsltproc TracingAndLogging.xsl log_talvane-000.xml > log.html

  Texts that held <, >, & or a line feed are written in CDATA sections with
  those characters as &lt; &gt; &amp; and <BR>; bytes from the tilde upwards
  as &#NNN; and other control characters as their control pictures. The
  "text" template below undoes that for display.
-->
<xsl:stylesheet version="1.0" xmlns:xsl="http://www.w3.org/1999/XSL/Transform">
  <xsl:output method="html" encoding="UTF-8" indent="no" doctype-system="about:legacy-compat"/>

  <!-- Characters 126 to 255 and the control pictures 9216 to 9247, for the
       &#NNN; references kept literally inside CDATA sections. -->
  <xsl:variable name="latin1"
                select="concat(
                  '&#126;&#127;&#128;&#129;&#130;&#131;&#132;&#133;&#134;&#135;&#136;&#137;&#138;&#139;',
                  '&#140;&#141;&#142;&#143;&#144;&#145;&#146;&#147;&#148;&#149;&#150;&#151;&#152;&#153;',
                  '&#154;&#155;&#156;&#157;&#158;&#159;&#160;&#161;&#162;&#163;&#164;&#165;&#166;&#167;',
                  '&#168;&#169;&#170;&#171;&#172;&#173;&#174;&#175;&#176;&#177;&#178;&#179;&#180;&#181;',
                  '&#182;&#183;&#184;&#185;&#186;&#187;&#188;&#189;&#190;&#191;&#192;&#193;&#194;&#195;',
                  '&#196;&#197;&#198;&#199;&#200;&#201;&#202;&#203;&#204;&#205;&#206;&#207;&#208;&#209;',
                  '&#210;&#211;&#212;&#213;&#214;&#215;&#216;&#217;&#218;&#219;&#220;&#221;&#222;&#223;',
                  '&#224;&#225;&#226;&#227;&#228;&#229;&#230;&#231;&#232;&#233;&#234;&#235;&#236;&#237;',
                  '&#238;&#239;&#240;&#241;&#242;&#243;&#244;&#245;&#246;&#247;&#248;&#249;&#250;&#251;',
                  '&#252;&#253;&#254;&#255;')"/>
  <xsl:variable name="pictures"
                select="concat(
                  '&#9216;&#9217;&#9218;&#9219;&#9220;&#9221;&#9222;&#9223;',
                  '&#9224;&#9225;&#9226;&#9227;&#9228;&#9229;&#9230;&#9231;',
                  '&#9232;&#9233;&#9234;&#9235;&#9236;&#9237;&#9238;&#9239;',
                  '&#9240;&#9241;&#9242;&#9243;&#9244;&#9245;&#9246;&#9247;')"/>

  <xsl:template match="/">
    <xsl:variable name="entries" select="TraceLog/Entry"/>
    <html>
      <head>
        <title>
          <xsl:text>Trace log </xsl:text>
          <xsl:value-of select="$entries[1]/Application"/>
          <xsl:text> </xsl:text>
          <xsl:value-of select="$entries[1]/Date"/>
        </title>
        <style>
          body { font-family: sans-serif; font-size: 13px; margin: 0 1em 1em; color: #222; }
          h1 { font-size: 1.3em; margin: 0.8em 0 0.2em; }
          p.summary { margin: 0 0 0.8em; color: #555; }
          table { border-collapse: collapse; width: 100%; }
          th { position: sticky; top: 0; background: #345; color: #fff; text-align: left;
               padding: 4px 6px; }
          td { padding: 2px 6px; border-bottom: 1px solid #ddd; vertical-align: top; }
          td.time { white-space: nowrap; font-family: monospace; }
          td.time span.date { color: #888; margin-right: 0.4em; }
          td.severity { white-space: nowrap; font-weight: bold; }
          td.module { white-space: nowrap; font-family: monospace; }
          td.message { font-family: monospace; white-space: pre-wrap; word-break: break-word; }
          td.source { white-space: nowrap; color: #777; font-size: 0.9em; }
          div.details { color: #555; margin-top: 2px; }
          div.dump { color: #555; margin-top: 2px; }
          tr.fatal td { background: #7a0000; color: #fff; }
          tr.fatal td.severity { color: #fff; }
          tr.critical td { background: #fbe3e3; }
          tr.critical td.severity { color: #b00000; }
          tr.warning td { background: #fff4d6; }
          tr.warning td.severity { color: #a05a00; }
          tr.info td.severity { color: #1f5fa8; }
          tr.debug td.severity { color: #777; font-weight: normal; }
          tr.other td.severity { color: #777; font-weight: normal; }
        </style>
      </head>
      <body>
        <h1>
          <xsl:text>Trace log of </xsl:text>
          <xsl:value-of select="$entries[1]/Application"/>
          <xsl:text> on </xsl:text>
          <xsl:value-of select="$entries[1]/Host"/>
        </h1>
        <p class="summary">
          <xsl:value-of select="count($entries)"/>
          <xsl:text> entries</xsl:text>
          <xsl:if test="$entries">
            <xsl:text> from </xsl:text>
            <xsl:value-of select="concat($entries[1]/Date, ' ', $entries[1]/Time)"/>
            <xsl:text> to </xsl:text>
            <xsl:value-of select="concat($entries[last()]/Date, ' ', $entries[last()]/Time)"/>
          </xsl:if>
          <xsl:text>; </xsl:text>
          <xsl:value-of select="count($entries[number(Severity) &gt;= 90])"/>
          <xsl:text> critical or fatal, </xsl:text>
          <xsl:value-of select="count($entries[number(Severity) &gt;= 70 and number(Severity) &lt; 90])"/>
          <xsl:text> warnings. Newest first.</xsl:text>
        </p>
        <table>
          <thead>
            <tr>
              <th>Time</th>
              <th>Severity</th>
              <th>Module</th>
              <th>Message</th>
              <th>Source</th>
            </tr>
          </thead>
          <tbody>
            <xsl:for-each select="$entries">
              <xsl:sort select="position()" data-type="number" order="descending"/>
              <xsl:apply-templates select="."/>
            </xsl:for-each>
          </tbody>
        </table>
      </body>
    </html>
  </xsl:template>

  <xsl:template match="Entry">
    <xsl:variable name="severity" select="number(Severity)"/>
    <xsl:variable name="band">
      <xsl:choose>
        <xsl:when test="$severity &gt;= 100">fatal</xsl:when>
        <xsl:when test="$severity &gt;= 90">critical</xsl:when>
        <xsl:when test="$severity &gt;= 70">warning</xsl:when>
        <xsl:when test="$severity &gt;= 50">info</xsl:when>
        <xsl:when test="$severity &gt;= 30">debug</xsl:when>
        <xsl:otherwise>other</xsl:otherwise>
      </xsl:choose>
    </xsl:variable>
    <tr class="{$band}">
      <td class="time" title="{concat('Sequence ', Sequence, ', host ', Host)}">
        <span class="date"><xsl:value-of select="Date"/></span>
        <xsl:value-of select="Time"/>
      </td>
      <td class="severity" title="{concat('Severity ', Severity)}">
        <xsl:value-of select="$band"/>
      </td>
      <td class="module">
        <xsl:call-template name="text">
          <xsl:with-param name="s" select="string(Module)"/>
        </xsl:call-template>
      </td>
      <td class="message">
        <xsl:call-template name="text">
          <xsl:with-param name="s" select="string(Message)"/>
        </xsl:call-template>
        <xsl:for-each select="Details[. != '-' and . != '&amp;lt;empty&amp;gt;'] |
                              Dump[. != '-' and . != '&amp;lt;empty&amp;gt;']">
          <div class="{translate(local-name(), 'DT', 'dt')}">
            <xsl:call-template name="text">
              <xsl:with-param name="s" select="string(.)"/>
            </xsl:call-template>
          </div>
        </xsl:for-each>
      </td>
      <td class="source">
        <xsl:value-of select="concat(Source/File, ':', Source/Line)"/>
      </td>
    </tr>
  </xsl:template>

  <!-- A logged text: every <BR> becomes a line break. -->
  <xsl:template name="text">
    <xsl:param name="s"/>
    <xsl:choose>
      <xsl:when test="contains($s, '&lt;BR&gt;')">
        <xsl:call-template name="references">
          <xsl:with-param name="s" select="substring-before($s, '&lt;BR&gt;')"/>
        </xsl:call-template>
        <br/>
        <xsl:call-template name="text">
          <xsl:with-param name="s" select="substring-after($s, '&lt;BR&gt;')"/>
        </xsl:call-template>
      </xsl:when>
      <xsl:otherwise>
        <xsl:call-template name="references">
          <xsl:with-param name="s" select="$s"/>
        </xsl:call-template>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>

  <!-- A piece of a logged text: &lt; &gt; &amp; and &#NNN; become characters. -->
  <xsl:template name="references">
    <xsl:param name="s"/>
    <xsl:variable name="rest" select="substring-after($s, '&amp;')"/>
    <xsl:variable name="name" select="substring-before($rest, ';')"/>
    <xsl:choose>
      <xsl:when test="not(contains($s, '&amp;'))">
        <xsl:value-of select="$s"/>
      </xsl:when>
      <xsl:when test="not(contains($rest, ';'))">
        <xsl:value-of select="$s"/>
      </xsl:when>
      <xsl:otherwise>
        <xsl:value-of select="substring-before($s, '&amp;')"/>
        <xsl:variable name="code" select="number(substring($name, 2))"/>
        <xsl:choose>
          <xsl:when test="$name = 'lt'">&lt;</xsl:when>
          <xsl:when test="$name = 'gt'">&gt;</xsl:when>
          <xsl:when test="$name = 'amp'">&amp;</xsl:when>
          <xsl:when test="$name = '#13'">&#13;</xsl:when>
          <xsl:when test="starts-with($name, '#') and $code &gt;= 126 and $code &lt;= 255">
            <xsl:value-of select="substring($latin1, $code - 125, 1)"/>
          </xsl:when>
          <xsl:when test="starts-with($name, '#') and $code &gt;= 9216 and $code &lt;= 9247">
            <xsl:value-of select="substring($pictures, $code - 9215, 1)"/>
          </xsl:when>
          <xsl:otherwise>
            <xsl:value-of select="concat('&amp;', $name, ';')"/>
          </xsl:otherwise>
        </xsl:choose>
        <xsl:call-template name="references">
          <xsl:with-param name="s" select="substring-after($rest, ';')"/>
        </xsl:call-template>
      </xsl:otherwise>
    </xsl:choose>
  </xsl:template>
</xsl:stylesheet>
